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

# On the session bus that dbus-run-session made: the accessibility bus (its launcher started by
# the session bus on the first request for its address), then the walk. Both buses end with the
# session.
if [ "${1:-}" = --on-session-bus ]; then
    if ! dbus-send --session --print-reply --reply-timeout=20000 --dest=org.a11y.Bus \
        /org/a11y/bus org.a11y.Bus.GetAddress >"$SCRATCH/bus.log" 2>&1; then
        echo "SKIP: the accessibility bus could not be started: $(cat "$SCRATCH/bus.log")"
        exit $SKIP
    fi
    exec timeout 300 "$PYTHON" "$HERE/walk.py" "$2"
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

source "$HERE/../../scripts/xvfb.sh"
SCRATCH=$(mktemp -d "${TMPDIR:-/tmp}/duskmere-atspi-XXXXXX")
export SCRATCH
XVFB_PID=""
cleanup() {
    [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null && wait "$XVFB_PID" 2>/dev/null
    rm -rf "$SCRATCH"
}
trap cleanup EXIT
if ! dbus-run-session -- true 2>"$SCRATCH/session.log"; then
    echo "SKIP: no D-Bus session bus can be started here: $(cat "$SCRATCH/session.log")"
    exit $SKIP
fi
start_xvfb "$SCRATCH" || exit 1
dbus-run-session -- bash "${BASH_SOURCE[0]}" --on-session-bus "$1"
