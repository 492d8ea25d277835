#!/usr/bin/env bash
# Sets up a fresh Debian/Ubuntu machine, builds, and starts the wizard on the sample mod from a
# scratch folder with a HOME and XDG folders of its own: nothing lands in your real Documents,
# Desktop or Start Menu.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

bash "$ROOT/scripts/install-deps.sh" "${LINUX_PACKAGES[@]}"
BUILD=${BUILD:-$ROOT/build}
build_linux "$BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo

SCRATCH=$(mktemp -d /tmp/duskmere-demo-XXXXXX)
cp -r "$ROOT/sample" "$SCRATCH/setup"
mkdir -p "$SCRATCH/home/Desktop" "$SCRATCH/xdg/config" "$SCRATCH/xdg/data" "$SCRATCH/xdg/cache" \
    "$SCRATCH/xdg/runtime"
chmod 700 "$SCRATCH/xdg/runtime"
export HOME="$SCRATCH/home" WINEPREFIX="$SCRATCH/home/.wine"
export XDG_CONFIG_HOME="$SCRATCH/xdg/config" XDG_DATA_HOME="$SCRATCH/xdg/data"
export XDG_CACHE_HOME="$SCRATCH/xdg/cache" XDG_RUNTIME_DIR="$SCRATCH/xdg/runtime"

# A stand-in for a Windows machine with the game: a Wine prefix holding a retail UT3 below
# Program Files and a Steam client that its registry names.
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

echo "== scratch folder: $SCRATCH (installed files go to $HOME/Documents)"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "== no display: taking the screenshot tour instead"
    "$BUILD/tests/duskmere_tour" "$SCRATCH/pictures"
    echo "== pictures of every page: $SCRATCH/pictures"
    exit 0
fi
cd "$SCRATCH/setup"
exec "$BUILD/DuskmereSetup"
