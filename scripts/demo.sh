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
mkdir -p "$SCRATCH/home" "$SCRATCH/xdg/config" "$SCRATCH/xdg/data" "$SCRATCH/xdg/cache" \
    "$SCRATCH/xdg/runtime"
chmod 700 "$SCRATCH/xdg/runtime"
export HOME="$SCRATCH/home" WINEPREFIX="$SCRATCH/home/.wine"
export XDG_CONFIG_HOME="$SCRATCH/xdg/config" XDG_DATA_HOME="$SCRATCH/xdg/data"
export XDG_CACHE_HOME="$SCRATCH/xdg/cache" XDG_RUNTIME_DIR="$SCRATCH/xdg/runtime"

echo "== scratch folder: $SCRATCH (installed files go to $HOME/Documents)"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "== no display: nothing to show the wizard on; set DISPLAY and run again" >&2
    exit 1
fi
cd "$SCRATCH/setup"
exec "$BUILD/DuskmereSetup"
