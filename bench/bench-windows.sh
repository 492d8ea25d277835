#!/usr/bin/env bash
# The Windows copy benchmark under Wine: builds the Windows build's bench_copy_windows.exe (or
# reuses a kept build), then runs it in a Wine prefix of its own on a virtual display and prints
# its lines; the last one holds the median ratios against xcopy, worst case last. Run it as an
# ordinary user: that is how Windows users run the installer.
#
# Environment (all optional):
#   BUILD_WIN      the Windows build folder to make or reuse (default: build-win in the checkout),
#                  with the Qt kit unpacked into it as scripts/test-windows.sh does
#   DUSKMERE_QT_MINGW_KIT  the kit archive or its unpacked folder (as for test-windows.sh)
#   WINEPREFIX     a prefix to reuse (default: a fresh one in a temporary folder)
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../scripts/windows-build.sh"
source "$ROOT/scripts/xvfb.sh"
BUILD_WIN=${BUILD_WIN:-$ROOT/build-win}

# One folder per run, named with its process id; a run killed half way leaves it, and the next
# removes those whose run has ended.
for stale in "${TMPDIR:-/tmp}"/duskmere-bench-windows-run*; do
    [ -d "$stale" ] && [ ! -L "$stale" ] && [ -O "$stale" ] || continue
    kill -0 "${stale##*-run}" 2>/dev/null || rm -rf "$stale"
done
SCRATCH=${TMPDIR:-/tmp}/duskmere-bench-windows-run$$
rm -rf "$SCRATCH"
mkdir -m 700 "$SCRATCH"
PREFIX=${WINEPREFIX:-$SCRATCH/prefix}
XVFB_PID=""
cleanup() {
    set +e
    WINEPREFIX=$PREFIX wineserver -k 2>/dev/null
    [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null && wait "$XVFB_PID" 2>/dev/null
    rm -rf "$SCRATCH"
}
trap cleanup EXIT

prepare_build "$SCRATCH"
if [ ! -f "$BUILD/build.ninja" ]; then
    cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-w64-qt6.cmake" \
        -DDUSKMERE_QT_MINGW_DIR="$KIT" -DCMAKE_BUILD_TYPE=Release -DDUSKMERE_WERROR=ON >/dev/null
fi
# A build folder of another user (root's, say) is taken as it stands.
if [ -w "$BUILD" ]; then
    nice -n 10 cmake --build "$BUILD" -j2 --target bench_copy_windows >/dev/null
fi

# The DLLs come from where they lie: the kit's and the compiler's runtime, through Wine's PATH.
runtime=$(dirname "$("$MINGW-g++-posix" -print-file-name=libstdc++-6.dll)")
pthread=$(dirname "$("$MINGW-g++-posix" -print-file-name=libwinpthread-1.dll)")
export WINEPATH="$(windows_path "$KIT/bin");$(windows_path "$runtime");$(windows_path "$pthread")"
export QT_PLUGIN_PATH=$(windows_path "$KIT/plugins") QT_QPA_PLATFORM=offscreen
export WINEPREFIX=$PREFIX WINEDEBUG=-all WINEARCH=win64 TMPDIR=$SCRATCH
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"

start_xvfb "$SCRATCH"
[ -d "$PREFIX/drive_c" ] || (wineboot -i && wineserver -w) >/dev/null 2>&1
wine "$BUILD/bench/bench_copy_windows.exe"
