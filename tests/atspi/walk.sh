#!/usr/bin/env bash
# usage: walk.sh <program>
# Gives the screen-reader walk (walk.py) a display and buses of its own: Xvfb, a D-Bus session
# bus and the accessibility bus on it (at-spi2-core). Everything else comes from the caller: the
# working directory the program reads ds.conf from, and a HOME, XDG folders and WINEPREFIX made
# for the test. Exits 77 where the buses cannot be started.
set -uo pipefail
HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
PYTHON=/usr/bin/python3 # Debian's own, for which python3-pyatspi is built
LAUNCHER=/usr/libexec/at-spi-bus-launcher
SKIP=77
# For a build with the sanitizers.
export LSAN_OPTIONS="${LSAN_OPTIONS:+$LSAN_OPTIONS:}suppressions=$HERE/lsan-suppressions.txt"

# On the session bus that dbus-run-session made: the accessibility bus (its launcher started by
# the session bus on the first request for its address), then the walk. Both buses end with the
# session.
if [ "${1:-}" = --on-session-bus ]; then
    printf '%s\n' "$DBUS_SESSION_BUS_ADDRESS" >>"$SCRATCH/buses"
    if ! dbus-send --session --print-reply --reply-timeout=20000 --dest=org.a11y.Bus \
        /org/a11y/bus org.a11y.Bus.GetAddress >"$SCRATCH/bus.log" 2>&1; then
        echo "SKIP: the accessibility bus could not be started: $(cat "$SCRATCH/bus.log")"
        exit $SKIP
    fi
    exec timeout 240 "$PYTHON" "$HERE/walk.py" "$2"
fi

for tool in Xvfb:xvfb dbus-run-session:dbus dbus-send:dbus "$LAUNCHER":at-spi2-core; do
    if ! command -v "${tool%%:*}" >/dev/null; then
        echo "FAIL: ${tool%%:*} is missing (Debian package ${tool#*:}; scripts/install-deps.sh)"
        exit 1
    fi
done
if ! "$PYTHON" -c 'import pyatspi' 2>/dev/null; then
    echo "FAIL: $PYTHON has no pyatspi (Debian package python3-pyatspi)"
    exit 1
fi

SCRATCH=$(mktemp -d "${TMPDIR:-/tmp}/duskmere-atspi-XXXXXX")
export SCRATCH
XVFB_PID=""
# A session bus listens on a file in /tmp, which stays when its daemon is ended before it
# could remove it (a session that ends at once, on a busy machine): the buses' files go here.
cleanup() {
    [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null && wait "$XVFB_PID" 2>/dev/null
    local socket
    for socket in $(sed -n 's|^unix:path=\(/tmp/dbus-[^,]*\).*|\1|p' "$SCRATCH/buses" \
        2>/dev/null); do
        [ -S "$socket" ] && rm -f "$socket"
    done
    rm -rf "$SCRATCH"
}
trap cleanup EXIT
if ! dbus-run-session -- sh -c 'printf "%s\n" "$DBUS_SESSION_BUS_ADDRESS" >>"$SCRATCH/buses"' \
    2>"$SCRATCH/session.log"; then
    echo "SKIP: no D-Bus session bus can be started here: $(cat "$SCRATCH/session.log")"
    exit $SKIP
fi
# x_server <n> probe|answers: whether anything listens on display n's abstract socket, the one
# Xlib and xcb try first; or whether the server there completes a connection's handshake with us.
x_server() {
    "$PYTHON" - "$1" "$2" <<'PY'
import socket, struct, sys
try:
    with socket.socket(socket.AF_UNIX) as x:
        x.settimeout(5)
        x.connect("\0/tmp/.X11-unix/X" + sys.argv[1])
        if sys.argv[2] == "answers":
            x.sendall(struct.pack("<cxHHHHxx", b"l", 11, 0, 0, 0))
            sys.exit(0 if x.recv(1) == b"\x01" else 1)
except OSError:
    sys.exit(1)
PY
}
# A display of a number of its own, away from those that Xvfb -displayfd hands out from 0 up to
# other runs (whose lock files are not always to be seen here). No reset when the last client
# goes: a connection made while the server resets fails, and the probe here is such a client.
for _ in 1 2 3 4 5; do
    n=$((100 + RANDOM % 800))
    [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] || x_server $n probe && continue
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp -noreset >"$SCRATCH/xvfb.log" 2>&1 &
    XVFB_PID=$!
    for _ in $(seq 1 50); do
        x_server $n answers && break
        sleep 0.2
    done
    x_server $n answers && break
    kill "$XVFB_PID" 2>/dev/null && wait "$XVFB_PID" 2>/dev/null
    XVFB_PID=""
done
if [ -z "$XVFB_PID" ]; then
    echo "FAIL: no virtual display started: $(cat "$SCRATCH/xvfb.log" 2>/dev/null)"
    exit 1
fi
export DISPLAY=":$n"
dbus-run-session -- bash "${BASH_SOURCE[0]}" --on-session-bus "$1"
rc=$?
[ $rc -ne 0 ] && [ $rc -ne $SKIP ] && echo "== the virtual display's log: $(cat "$SCRATCH/xvfb.log")"
exit $rc
