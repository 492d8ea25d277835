#!/usr/bin/env bash
# Builds the program for Windows and for Linux and writes what a mod team ships, one zip for every
# player (Unix modes kept):
#
#   Setup/DuskmereSetup.exe   the Windows program, its DLLs and plug-ins
#   Setup/DuskmereSetup       the Linux program; its libraries in Setup/lib/, its plug-ins beside
#                             the Windows ones, all found through $ORIGIN
#   Setup/qt.conf             one for both: plug-ins from Setup/ and nowhere else
#   Setup/ds.conf             and the slide show pictures and extras it names
#   GameFiles/                the mod's files, where ds.conf's default "..\GameFiles\" finds them
#
# Usage: bash scripts/package.sh [folder]
#   folder  where DuskmereSetup.zip goes (default: the build folder, BUILD or build/); never the
#           checkout's top folder, where it would lie untracked. Its path is the last line printed.
# Environment (all optional):
#   DS_DATA                the mod's files (default: the sample mod, sample/GameFiles)
#   DS_CONF                the ds.conf to ship (default: sample/ds.conf); its dataDir is dropped
#   BUILD                  the Linux build folder, shared with the demo and the test command
#   BUILD_WIN              the Windows build folder to keep between runs (default: a temporary one)
#   DUSKMERE_QT_MINGW_KIT  the Qt kit for mingw-w64, as for test-windows.sh
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
LINUX_BUILD=$BUILD
source "$ROOT/scripts/windows-build.sh"
source "$ROOT/scripts/release.sh"
STARTED=$SECONDS

# Before anything is installed: without the kit nothing here can be built.
find_kit >/dev/null
DATA=$(realpath "${DS_DATA:-$ROOT/sample/GameFiles}")
CONF=$(realpath "${DS_CONF:-$ROOT/sample/ds.conf}")
OUT=$(realpath -m "${1:-$LINUX_BUILD}")
[ "$OUT" != "$(realpath "$ROOT")" ] \
    || fail "$OUT: not the checkout's top folder; name a folder such as build/"
mkdir -p "$OUT"
ZIP=$OUT/DuskmereSetup.zip

bash "$ROOT/scripts/install-deps.sh" "${LINUX_PACKAGES[@]}" g++-mingw-w64-x86-64-posix xz-utils \
    zip unzip wine64 patchelf
SCRATCH=$(mktemp -d "${TMPDIR:-/tmp}/duskmere-package-XXXXXX")
trap 'rm -rf "$SCRATCH"' EXIT

BUILD=$LINUX_BUILD build_linux DuskmereSetup
prepare_build "$SCRATCH"
say "building for Windows in $BUILD"
build_windows "$SCRATCH" DuskmereSetup
lay_out_release "$SCRATCH/release" "$DATA" "$CONF" "$LINUX_BUILD/DuskmereSetup"
zip_release "$SCRATCH/release" "$ZIP"
say "packaged in $(took "$STARTED"): $(unzip -Z1 "$ZIP" | grep -c -v '/$') files," \
    "$(du -k "$ZIP" | cut -f1) KiB"
echo "$ZIP"
