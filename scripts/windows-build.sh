# The Windows build made on Linux, shared by test-windows.sh and package.sh: the Qt kit
# for mingw-w64, the cross build, and the gathering of a program with every DLL it needs.
# shellcheck shell=bash

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
# Without a locale Wine, zip and Qt turn every file name beyond ASCII into "?".
export LANG=C.UTF-8 LC_ALL=C.UTF-8
unset LANGUAGE
WINDOWS_PACKAGES=(g++-mingw-w64-x86-64-posix qt6-base-dev qt6-base-dev-tools cmake ninja-build
    xz-utils wine wine64 xvfb xauth xdotool zip unzip g++ patchelf)
MINGW=x86_64-w64-mingw32

say() { echo "== $*"; }
fail() {
    echo "== FAILED: $*" >&2
    exit 1
}
took() { echo "$((SECONDS - $1)) s"; }
# How Wine names a path of this machine.
windows_path() { echo "Z:${1//\//\\}"; }

# The kit archive (qt6-mingw-6.4.2.tar.xz) or its unpacked folder: DUSKMERE_QT_MINGW_KIT, else
# the one in ../shared/qt6-mingw/ beside the repository, else the one that
# scripts/build-qt-mingw-kit.sh made in build/. Without any, the message says how to make one.
KIT_NAME=qt6-mingw-6.4.2.tar.xz
find_kit() {
    local candidate
    for candidate in "${DUSKMERE_QT_MINGW_KIT:-}" "$ROOT/../shared/qt6-mingw/$KIT_NAME" \
        "$ROOT/build/$KIT_NAME"; do
        [ -n "$candidate" ] && [ -e "$candidate" ] && echo "$candidate" && return
    done
    local how="Nothing has been installed. Make the kit from Debian's own Qt source package"
    how+=" with 'bash scripts/build-qt-mingw-kit.sh' (about 25 minutes on two free cores; it puts"
    how+=" the kit in build/, where this script finds it), then run this again."
    [ -z "${DUSKMERE_QT_MINGW_KIT:-}" ] \
        || fail "DUSKMERE_QT_MINGW_KIT names $DUSKMERE_QT_MINGW_KIT, which is not there. $how"
    fail "no Qt kit for mingw-w64: DUSKMERE_QT_MINGW_KIT is not set, and neither" \
        "../shared/qt6-mingw/$KIT_NAME nor build/$KIT_NAME is there. $how"
}

# prepare_build <scratch>: sets BUILD (BUILD_WIN, else below the scratch folder) and KIT, the
# unpacked kit. A kept build folder keeps its kit too: the build refers to the kit by its path.
prepare_build() {
    local scratch=$1 source
    source=$(find_kit)
    BUILD=${BUILD_WIN:-$scratch/build}
    mkdir -p "$BUILD"
    BUILD=$(cd "$BUILD" && pwd)
    if [ -d "$source" ]; then
        KIT=$(cd "$source" && pwd)
    else
        KIT=$BUILD/qt6-mingw
        [ -f "$KIT/mingw-w64-x86_64.cmake" ] || tar xJf "$source" -C "$BUILD"
    fi
    [ -f "$KIT/mingw-w64-x86_64.cmake" ] || fail "$source holds no qt6-mingw kit"
}

# build_windows <log folder> [target]...: the targets named, or the program and every test, as
# Windows executables, warnings as errors.
build_windows() {
    local logs=$1 targets=()
    shift
    [ $# -gt 0 ] && targets=(--target "$@")
    cmake -S "$ROOT" -B "$BUILD" -G Ninja \
        -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-w64-qt6.cmake" -DDUSKMERE_QT_MINGW_DIR="$KIT" \
        -DCMAKE_BUILD_TYPE=Release -DDUSKMERE_WERROR=ON >"$logs/configure.log" 2>&1 \
        || { cat "$logs/configure.log"; fail "configuring the Windows build"; }
    cmake --build "$BUILD" -j2 "${targets[@]}" >"$logs/build.log" 2>&1 \
        || { grep -v '^\[' "$logs/build.log" | tail -n 80; fail "building for Windows"; }
}

# --- gathering: a program and the DLLs that a clean Windows lacks ------------------------------
declare -A SYSTEM_DLL=()
WINE_DLLS="" # looked up at first use: Wine may be installed only after this file is read

# What Wine offers as part of Windows stands for Windows.
is_system_dll() {
    local name=${1,,}
    case $name in
    api-ms-win-* | ext-ms-win-*) return 0 ;; # API sets: the loader maps them to system DLLs
    esac
    if [ -z "${SYSTEM_DLL[$name]:-}" ]; then
        [ -n "$WINE_DLLS" ] || WINE_DLLS=$(find /usr/lib /usr/lib64 -maxdepth 4 -type d \
            -path '*wine*/x86_64-windows' 2>/dev/null | head -n1)
        SYSTEM_DLL[$name]=no
        [ -n "$WINE_DLLS" ] && [ -n "$(find "$WINE_DLLS" -maxdepth 1 -iname "$name" -print -quit)" ] \
            && SYSTEM_DLL[$name]=yes
    fi
    [ "${SYSTEM_DLL[$name]}" = yes ]
}

runtime_dirs() {
    local dll path
    RUNTIME_DIRS=("$KIT/bin")
    for dll in libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll; do
        path=$("$MINGW-g++-posix" -print-file-name="$dll")
        [ -f "$path" ] || fail "the mingw-w64 runtime has no $dll"
        RUNTIME_DIRS+=("$(cd "$(dirname "$path")" && pwd)")
    done
}

# gather <folder> <file>[=<subfolder>]...: copies the files (plug-ins into their subfolder)
# and, one import after another, every DLL they need that is not part of Windows.
gather() {
    local dest=$1 item file sub dll dir found
    shift
    local queue=()
    [ -n "${RUNTIME_DIRS:-}" ] || runtime_dirs
    mkdir -p "$dest"
    for item in "$@"; do
        file=${item%%=*}
        sub=""
        [ "$item" != "$file" ] && sub=${item#*=}
        mkdir -p "$dest/$sub"
        cp "$file" "$dest/$sub/"
        queue+=("$dest/$sub/$(basename "$file")")
    done
    while [ ${#queue[@]} -gt 0 ]; do
        file=${queue[0]}
        queue=("${queue[@]:1}")
        while read -r dll; do
            [ -e "$dest/$dll" ] && continue
            found=""
            for dir in "${RUNTIME_DIRS[@]}"; do
                [ -f "$dir/$dll" ] && found=$dir/$dll && break
            done
            if [ -n "$found" ]; then
                cp "$found" "$dest/"
                queue+=("$dest/$dll")
            elif ! is_system_dll "$dll"; then
                fail "$(basename "$file") needs $dll, which neither Windows nor the kit has"
            fi
        done < <("$MINGW-objdump" -p "$file" | sed -n 's/^[[:space:]]*DLL Name: //p')
    done
}

# The program with what it needs on a clean Windows: the windows platform plug-in to open a
# window at all, the JPEG reader for the logo and the slide show, the native style.
# shellcheck disable=SC2034 # read by release.sh and test-windows.sh
PROGRAM_PLUGINS=(platforms/qwindows.dll imageformats/qjpeg.dll styles/qwindowsvistastyle.dll)

# plugin_items <plugin>...: the kit's plug-ins as gather takes them, each into its own folder.
plugin_items() {
    local plugin
    for plugin in "$@"; do
        echo "$KIT/plugins/$plugin=$(dirname "$plugin")"
    done
}
