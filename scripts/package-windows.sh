#!/usr/bin/env bash
# Builds the program for Windows and lays out what a mod team ships, as a zip:
#
#   Setup/      DuskmereSetup.exe, its DLLs and plug-ins, ds.conf and the files it names
#   GameFiles/  the mod's files, where ds.conf's default "..\GameFiles\" finds them
#
# Usage: bash scripts/package-windows.sh [data folder] [zip or folder]
#   data folder  the mod's files (default: the sample mod, sample/GameFiles)
#   zip          the archive to write, or a folder (an existing one, or a name ending in "/") to
#                write DuskmereSetup.zip into; by default the build folder: BUILD_WIN when set,
#                else the Linux build folder (BUILD, default build/). Never the checkout's top
#                folder, where it would lie untracked.
# Environment (all optional):
#   DS_CONF                the ds.conf to ship (default: sample/ds.conf); its dataDir is dropped
#   BUILD_WIN              build folder to keep between runs (default: a temporary one)
#   DUSKMERE_QT_MINGW_KIT  the Qt kit for mingw-w64, as for test-windows.sh
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/windows-build.sh"

DATA=$(realpath "${1:-$ROOT/sample/GameFiles}")
ZIP=${2:-${BUILD_WIN:-${BUILD:-$ROOT/build}}/}
case $ZIP in */) mkdir -p "$ZIP" ;; esac
[ -d "$ZIP" ] && ZIP=$ZIP/DuskmereSetup.zip
ZIP=$(realpath -m "$ZIP")
[ "$(dirname "$ZIP")" != "$(realpath "$ROOT")" ] \
    || fail "$ZIP: not in the checkout's top folder; name a folder such as build/, or a zip" \
        "elsewhere"
mkdir -p "$(dirname "$ZIP")"
CONF=$(realpath "${DS_CONF:-$ROOT/sample/ds.conf}")

bash "$ROOT/scripts/install-deps.sh" g++-mingw-w64-x86-64-posix qt6-base-dev qt6-base-dev-tools \
    cmake ninja-build xz-utils zip unzip wine64
SCRATCH=$(mktemp -d "${TMPDIR:-/tmp}/duskmere-package-XXXXXX")
trap 'rm -rf "$SCRATCH"' EXIT

prepare_build "$SCRATCH"
say "building for Windows in $BUILD"
build_windows "$SCRATCH"
package "$SCRATCH/DuskmereSetup" "$DATA" "$CONF"
rm -f "$ZIP"
(cd "$SCRATCH/DuskmereSetup" && zip -qr "$ZIP" Setup GameFiles)
say "wrote $ZIP: $(unzip -Z1 "$ZIP" | grep -c -v '/$') files"
