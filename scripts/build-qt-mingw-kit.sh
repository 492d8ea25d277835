#!/usr/bin/env bash
# Builds the Qt kit for mingw-w64 that the Windows build needs (qt6-mingw-<version>.tar.xz), from
# the distribution's own Qt source package: `apt-get source qt6-base` of the version that the
# host's moc, rcc and uic come from, configured for 64-bit Windows with Debian's mingw-w64 (POSIX
# threads) as ../shared/qt6-mingw/README.md describes: shared, release, Qt's bundled third-party
# libraries, only Core, Gui, Widgets and Test with the windows, offscreen and minimal platform
# plug-ins, the JPEG, GIF and ICO readers and the Windows Vista style.
#
# Usage: bash scripts/build-qt-mingw-kit.sh [folder]
#   folder  where the archive goes (default: the build folder, build/, where scripts/package.sh
#           and scripts/test-windows.sh look for it); its path is the last line printed
#
# It takes about 25 minutes on two free cores (most of it compiling Qt's Gui and Widgets) and
# about 1.3 GB of disk below TMPDIR while it runs; everything but the archive goes at the end. The
# system's package sources are left as they are: the source package is fetched through a package
# list of its own. KEEP_SCRATCH=1 keeps the source and build folders.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/windows-build.sh"
STARTED=$SECONDS

OUT=$(realpath -m "${1:-$ROOT/build}")
[ "$OUT" != "$(realpath "$ROOT")" ] \
    || fail "$OUT: not in the checkout's top folder; name a folder such as build/"
mkdir -p "$OUT"

bash "$ROOT/scripts/install-deps.sh" g++-mingw-w64-x86-64-posix qt6-base-dev qt6-base-dev-tools \
    cmake ninja-build dpkg-dev xz-utils perl python3
# moc, rcc and uic run on this machine, so the kit must be their version exactly.
VERSION=$(dpkg-query -W -f='${source:Version}' qt6-base-dev-tools)
UPSTREAM=${VERSION%%-*}
UPSTREAM=${UPSTREAM%%+*}
ARCHIVE=$OUT/qt6-mingw-$UPSTREAM.tar.xz

SCRATCH=$(mktemp -d "${TMPDIR:-/tmp}/duskmere-qtkit-XXXXXX")
cleanup() {
    if [ "${KEEP_SCRATCH:-0}" = 1 ]; then
        echo "== kept $SCRATCH"
    else
        rm -rf "$SCRATCH"
    fi
}
trap cleanup EXIT

# --- the source package, through a package list of our own --------------------------------------
# The machine's sources with every binary entry turned into a source entry.
APT=$SCRATCH/apt
mkdir -p "$APT/parts" "$APT/lists/partial" "$APT/cache/archives/partial"
for list in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
    [ -f "$list" ] && sed -n 's/^[[:space:]]*deb[[:space:]]/deb-src /p' "$list"
done >"$APT/sources.list"
for list in /etc/apt/sources.list.d/*.sources; do
    [ -f "$list" ] && sed 's/^Types:.*/Types: deb-src/' "$list" >"$APT/parts/$(basename "$list")"
done
APT_OPTIONS=(-o "Dir::Etc::SourceList=$APT/sources.list" -o "Dir::Etc::SourceParts=$APT/parts"
    -o "Dir::State::Lists=$APT/lists" -o "Dir::Cache=$APT/cache" -o "APT::Sandbox::User=root")
FETCH_STARTED=$SECONDS
say "fetching the source package qt6-base $VERSION"
apt-get "${APT_OPTIONS[@]}" update -qq
mkdir -p "$SCRATCH/source"
(cd "$SCRATCH/source" && apt-get "${APT_OPTIONS[@]}" source -q "qt6-base=$VERSION" \
    >"$SCRATCH/source.log" 2>&1) || { tail -n 30 "$SCRATCH/source.log"; fail "apt-get source"; }
SOURCE=$(find "$SCRATCH/source" -mindepth 1 -maxdepth 1 -type d -name 'qt6-base-*' -print -quit)
[ -f "$SOURCE/CMakeLists.txt" ] || fail "the source package unpacked to no Qt source tree"
say "fetched and unpacked in $(took "$FETCH_STARTED")"

# --- configure, build, install ------------------------------------------------------------------
# The kit's toolchain file, which finds the kit wherever its folder lies; Qt's own build uses it
# too, from the folder it installs into.
STAGE=$SCRATCH/stage/qt6-mingw
mkdir -p "$STAGE"
cat >"$STAGE/mingw-w64-x86_64.cmake" <<'TOOLCHAIN'
# Cross-compiling for 64-bit Windows with Debian's mingw-w64 (POSIX threads), against the Qt in this folder.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32 ${CMAKE_CURRENT_LIST_DIR})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)
list(APPEND CMAKE_PREFIX_PATH ${CMAKE_CURRENT_LIST_DIR})
if(NOT QT_HOST_PATH)
  set(QT_HOST_PATH /usr)
  set(QT_HOST_PATH_CMAKE_DIR /usr/lib/x86_64-linux-gnu/cmake)
endif()
TOOLCHAIN

FEATURES=(-DBUILD_SHARED_LIBS=ON -DCMAKE_BUILD_TYPE=Release -DFEATURE_sql=OFF
    -DFEATURE_network=OFF -DFEATURE_dbus=OFF -DINPUT_opengl=no -DFEATURE_opengl=OFF
    -DFEATURE_printsupport=OFF -DFEATURE_concurrent=OFF -DFEATURE_xml=OFF -DFEATURE_vulkan=OFF
    -DFEATURE_tabletevent=OFF -DFEATURE_testlib=ON)
for lib in zlib pcre2 png jpeg harfbuzz freetype doubleconversion; do
    FEATURES+=("-DFEATURE_system_$lib=OFF")
done
CONFIGURE_STARTED=$SECONDS
say "configuring Qt for Windows"
cmake -S "$SOURCE" -B "$SCRATCH/build" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$STAGE/mingw-w64-x86_64.cmake" \
    -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
    -DCMAKE_INSTALL_PREFIX="$STAGE" -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF \
    "${FEATURES[@]}" >"$SCRATCH/configure.log" 2>&1 \
    || { tail -n 60 "$SCRATCH/configure.log"; fail "configuring Qt"; }
say "configured in $(took "$CONFIGURE_STARTED")"

BUILD_STARTED=$SECONDS
say "building Qt for Windows with $(nproc) jobs; about 25 minutes on two free cores"
cmake --build "$SCRATCH/build" -j "$(nproc)" >"$SCRATCH/build.log" 2>&1 &
BUILDER=$!
# A line of progress every five minutes: ninja's own counter, the last one it printed.
while kill -0 "$BUILDER" 2>/dev/null; do
    for _ in $(seq 1 300); do
        kill -0 "$BUILDER" 2>/dev/null || break
        sleep 1
    done
    step=$(grep -o '^\[[0-9]*/[0-9]*\]' "$SCRATCH/build.log" | tail -n1 || true)
    kill -0 "$BUILDER" 2>/dev/null && echo "   $(took "$BUILD_STARTED"): ${step:-starting}"
done
wait "$BUILDER" || { grep -v '^\[' "$SCRATCH/build.log" | tail -n 60; fail "building Qt"; }
say "built in $(took "$BUILD_STARTED")"
cmake --install "$SCRATCH/build" >"$SCRATCH/install.log" 2>&1 \
    || { tail -n 30 "$SCRATCH/install.log"; fail "installing Qt into $STAGE"; }

# What the Windows build and its gathering rely on.
for file in bin/Qt6Core.dll bin/Qt6Gui.dll bin/Qt6Widgets.dll bin/Qt6Test.dll \
    plugins/platforms/qwindows.dll plugins/platforms/qoffscreen.dll \
    plugins/platforms/qminimal.dll plugins/imageformats/qjpeg.dll \
    plugins/imageformats/qgif.dll plugins/imageformats/qico.dll \
    plugins/styles/qwindowsvistastyle.dll lib/cmake/Qt6Widgets/Qt6WidgetsConfig.cmake; do
    [ -f "$STAGE/$file" ] || fail "the kit lacks $file"
done
rm -f "$ARCHIVE"
tar cf - -C "$SCRATCH/stage" qt6-mingw | xz -T0 -6 >"$ARCHIVE.partial"
mv "$ARCHIVE.partial" "$ARCHIVE"
say "the kit took $(took "$STARTED"): $(du -h "$ARCHIVE" | cut -f1); scripts/package.sh and" \
    "scripts/test-windows.sh find it in the build folder, or name it with DUSKMERE_QT_MINGW_KIT"
echo "$ARCHIVE"
