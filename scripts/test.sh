#!/usr/bin/env bash
# Sets up a fresh Debian/Ubuntu machine, builds with warnings as errors and runs every test: the
# Linux suite through CTest, the same under the sanitizers with the fuzz harnesses
# (scripts/test-sanitizers.sh), then, where the Qt kit for mingw-w64 is at hand, the Windows build
# and its tests under Wine, and the release archive with its Linux half checked in a fresh Debian
# root (scripts/package.sh, scripts/check-release.sh). BUILD=<folder> builds elsewhere than
# build/, which the demo shares.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
STARTED=$SECONDS

bash "$ROOT/scripts/install-deps.sh" "${LINUX_PACKAGES[@]}"
build_linux
TESTS_STARTED=$SECONDS
(cd "$BUILD" && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j "$(nproc)")
echo "== Linux tests took $((SECONDS - TESTS_STARTED)) s"

STARTED_SANITIZERS=$SECONDS
bash "$ROOT/scripts/test-sanitizers.sh"
echo "== sanitizers and fuzzing took $((SECONDS - STARTED_SANITIZERS)) s"

if [ -n "${DUSKMERE_QT_MINGW_KIT:-}" ] || [ -d "$ROOT/../shared/qt6-mingw" ] \
    || [ -f "$ROOT/build/qt6-mingw-6.4.2.tar.xz" ]; then
    bash "$ROOT/scripts/test-windows.sh"
    # The release as players get it: a fresh archive, its Linux half tried in a fresh Debian root
    # with only a desktop's base libraries (skipped, and said so, where that cannot be made).
    bash "$ROOT/scripts/package.sh" | tee "$BUILD/package.log"
    bash "$ROOT/scripts/check-release.sh" "$(tail -n1 "$BUILD/package.log")"
else
    echo "== no Qt kit for mingw-w64 beside the repository (../shared/qt6-mingw/), none named" \
        "by DUSKMERE_QT_MINGW_KIT and none made by scripts/build-qt-mingw-kit.sh in build/:" \
        "the Windows build is skipped"
fi
echo "== the test command took $((SECONDS - STARTED)) s"
