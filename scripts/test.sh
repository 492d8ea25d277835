#!/usr/bin/env bash
# Sets up a fresh Debian/Ubuntu machine, builds with warnings as errors and runs every test.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

bash "$ROOT/scripts/install-deps.sh" "${LINUX_PACKAGES[@]}"

BUILD=${BUILD:-$ROOT/build-ci}
build_linux "$BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDUSKMERE_WERROR=ON
(cd "$BUILD" && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j "$(nproc)")

# The Windows build and its tests under Wine, wherever the Qt kit for mingw-w64 is at hand.
if [ -n "${DUSKMERE_QT_MINGW_KIT:-}" ] || [ -d "$ROOT/../shared/qt6-mingw" ]; then
    bash "$ROOT/scripts/test-windows.sh"
else
    echo "== no Qt kit for mingw-w64 here: the Windows build is skipped"
fi
