#!/usr/bin/env bash
# Sets up a fresh Debian/Ubuntu machine, builds the wizard and starts it on the sample mod, in a
# scratch world of its own: a HOME, Wine prefix and XDG folders made for the run, so nothing
# lands in your real Documents, Desktop or Start Menu.
#
#   bash scripts/demo.sh          the wizard on your display; without one, the screenshot tour
#                                 takes a picture of every page instead
#   bash scripts/demo.sh --xvfb   the real window on a virtual display (installs Xvfb): the
#                                 wizard's pages as it shows them, pictured through X
#
# KEEP_SCRATCH=1 keeps the scratch world (and says where it is); BUILD=<folder> builds elsewhere
# than build/, the folder the test command uses too.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
source "$ROOT/scripts/xvfb.sh"

mode=window
case "${1:-}" in
--xvfb) mode=xvfb ;;
"") [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && mode=tour ;;
*)
    echo "usage: $0 [--xvfb]" >&2
    exit 2
    ;;
esac
STARTED=$SECONDS

packages=("${LINUX_PACKAGES[@]}")
[ $mode = xvfb ] && packages+=(xvfb xauth xdotool)
bash "$ROOT/scripts/install-deps.sh" "${packages[@]}"
case $mode in
window) build_linux DuskmereSetup ;;
tour) build_linux DuskmereSetup duskmere_tour ;;
xvfb) build_linux DuskmereSetup duskmere_grab ;;
esac

SCRATCH=$(mktemp -d "${TMPDIR:-/tmp}/duskmere-demo-XXXXXX")
XVFB_PID=""
cleanup() {
    [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null && wait "$XVFB_PID" 2>/dev/null
    if [ "${KEEP_SCRATCH:-0}" = 1 ]; then
        echo "== kept the scratch world: $SCRATCH"
    else
        rm -rf "$SCRATCH"
    fi
}
trap cleanup EXIT

# The world: the sample release as a user unpacks it, and a Wine prefix that plays a Windows
# machine with the game: a retail UT3 below Program Files and a Steam client that its registry
# names. Wine links "My Documents" to ~/Documents, so that is where the mod is installed.
cp -r "$ROOT/sample" "$SCRATCH/setup"
mkdir -p "$SCRATCH/home/Documents" "$SCRATCH/home/Desktop" "$SCRATCH/xdg/config" \
    "$SCRATCH/xdg/data" "$SCRATCH/xdg/cache" "$SCRATCH/xdg/runtime"
chmod 700 "$SCRATCH/xdg/runtime"
export HOME="$SCRATCH/home" WINEPREFIX="$SCRATCH/home/.wine"
export XDG_CONFIG_HOME="$SCRATCH/xdg/config" XDG_DATA_HOME="$SCRATCH/xdg/data"
export XDG_CACHE_HOME="$SCRATCH/xdg/cache" XDG_RUNTIME_DIR="$SCRATCH/xdg/runtime"
printf 'XDG_DESKTOP_DIR="%s"\nXDG_DOCUMENTS_DIR="%s"\n' "$HOME/Desktop" "$HOME/Documents" \
    >"$XDG_CONFIG_HOME/user-dirs.dirs"
PROGRAMS="$WINEPREFIX/drive_c/Program Files (x86)"
mkdir -p "$PROGRAMS/Unreal Tournament 3/Binaries" "$PROGRAMS/Steam" "$WINEPREFIX/dosdevices"
printf 'MZ' >"$PROGRAMS/Unreal Tournament 3/Binaries/UT3.exe"
printf 'MZ' >"$PROGRAMS/Steam/Steam.exe"
ln -s ../drive_c "$WINEPREFIX/dosdevices/c:"
cat >"$WINEPREFIX/user.reg" <<'REG'
WINE REGISTRY Version 2
;; All keys relative to \\User\\S-1-5-21-0-0-0-1000

[Software\\Valve\\Steam] 1700000000
"InstallPath"="C:\\Program Files (x86)\\Steam"
REG

# drive_window <folder>: the wizard on the X display, walked forward with the Enter key as a user
# would press it, a picture of the screen on every page, and Close at the end.
drive_window() {
    local pictures=$1 window="" page rc=0
    QT_QPA_PLATFORM=xcb "$BUILD/DuskmereSetup" >"$SCRATCH/wizard.log" 2>&1 &
    local pid=$!
    for _ in $(seq 1 60); do
        window=$(xdotool search --onlyvisible --name '^The Duskmere Setup$' 2>/dev/null | head -n1 || true)
        [ -n "$window" ] && break
        sleep 0.5
    done
    if [ -z "$window" ]; then
        kill "$pid" 2>/dev/null
        cat "$SCRATCH/wizard.log"
        echo "== the wizard's window did not show" >&2
        return 1
    fi
    sleep 1
    for page in 1-welcome 2-gather 3-paths 4-ready 5-copy 6-final; do
        "$BUILD/tools/duskmere_grab" "$pictures/$page.png"
        xdotool windowfocus --sync "$window" key Return 2>/dev/null
        sleep 3 # gathering and copying the sample take well under that
    done
    for _ in $(seq 1 20); do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.5
    done
    if kill -0 "$pid" 2>/dev/null; then
        kill "$pid"
        echo "== the wizard did not close on Close" >&2
        return 1
    fi
    wait "$pid" || rc=$?
    echo "== the wizard closed with exit code $rc"
}

echo "== the wizard runs in $SCRATCH/setup; it installs into $HOME/Documents/My Games,"
echo "   its shortcuts go to $HOME/Desktop and $XDG_DATA_HOME/applications"
cd "$SCRATCH/setup"
case $mode in
window)
    echo "== ready after $((SECONDS - STARTED)) s"
    "$BUILD/DuskmereSetup"
    ;;
tour)
    PICTURES="$BUILD/pictures"
    rm -rf "$PICTURES"
    echo "== no display: the screenshot tour walks a retail installation and pictures every page"
    QT_QPA_PLATFORM=offscreen "$BUILD/tools/duskmere_tour" "$PICTURES" >/dev/null
    echo "== after $((SECONDS - STARTED)) s, pictures of every page in $PICTURES:"
    ls "$PICTURES" | sed 's/^/   /'
    echo "   what the tour installed:"
    (cd "$HOME/Documents" && find . -type f | sed 's|^\./|   Documents/|' | sort)
    ;;
xvfb)
    PICTURES="$BUILD/pictures-xvfb"
    rm -rf "$PICTURES"
    mkdir -p "$PICTURES"
    start_xvfb "$SCRATCH"
    drive_window "$PICTURES"
    echo "== after $((SECONDS - STARTED)) s, pictures of the live window in $PICTURES:"
    ls "$PICTURES" | sed 's/^/   /'
    ;;
esac
