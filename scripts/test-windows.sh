#!/usr/bin/env bash
# The Windows build, made and tried on Linux: cross-compiles the program and every test with
# mingw-w64 against the Qt kit for Windows (warnings are errors), gathers a folder that runs on
# a clean Windows machine, runs every test under Wine on a virtual display, then starts the
# program itself there, checks that its window shows, quits it the way a user does and checks
# its exit code.
#
# Environment (all optional):
#   DUSKMERE_QT_MINGW_KIT  the kit archive (qt6-mingw-6.4.2.tar.xz) or its unpacked folder;
#                          else ../shared/qt6-mingw/ beside the repository, else /work/shared/...
#   BUILD_WIN              build folder to keep between runs, with its own copy of the kit
#                          (default: a temporary one)
#   DEPLOY_WIN             where the folder for Windows is gathered (default: in the build folder)
#   TEST_TIMEOUT           seconds one test program may take under Wine (default 300)
#   KEEP_SCRATCH=1         keep the temporary folder (Wine prefix, results) for a look afterwards
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

WINDOWS_PACKAGES=(g++-mingw-w64-x86-64-posix qt6-base-dev qt6-base-dev-tools cmake ninja-build
    xz-utils wine wine64 xvfb xauth xdotool)
TEST_TIMEOUT=${TEST_TIMEOUT:-300}
PROGRAM_TIMEOUT=60
MINGW=x86_64-w64-mingw32
STARTED=$SECONDS

say() { echo "== $*"; }
fail() {
    echo "== FAILED: $*" >&2
    exit 1
}
took() { echo "$((SECONDS - $1)) s"; }

bash "$ROOT/scripts/install-deps.sh" "${WINDOWS_PACKAGES[@]}"

# --- scratch: kit, Wine prefix, its HOME, results; everything goes when the script ends -------
SCRATCH=$(mktemp -d "${TMPDIR:-/tmp}/duskmere-windows-XXXXXX")
XVFB_PID=""
PROGRAM_PID=""
cleanup() {
    set +e
    [ -n "$PROGRAM_PID" ] && kill "$PROGRAM_PID" 2>/dev/null
    [ -d "$SCRATCH/prefix" ] && WINEPREFIX="$SCRATCH/prefix" wineserver -k 2>/dev/null
    [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null && wait "$XVFB_PID" 2>/dev/null
    if [ "${KEEP_SCRATCH:-0}" = 1 ]; then
        echo "== kept $SCRATCH"
    else
        rm -rf "$SCRATCH"
    fi
}
trap cleanup EXIT

find_kit() {
    local candidate
    for candidate in "${DUSKMERE_QT_MINGW_KIT:-}" \
        "$ROOT/../shared/qt6-mingw/qt6-mingw-6.4.2.tar.xz" \
        /work/shared/qt6-mingw/qt6-mingw-6.4.2.tar.xz; do
        [ -n "$candidate" ] && [ -e "$candidate" ] && echo "$candidate" && return
    done
    fail "no Qt kit for mingw-w64: set DUSKMERE_QT_MINGW_KIT to qt6-mingw-6.4.2.tar.xz"
}

KIT_SOURCE=$(find_kit)
BUILD=${BUILD_WIN:-$SCRATCH/build}
if [ -d "$KIT_SOURCE" ]; then
    KIT=$(cd "$KIT_SOURCE" && pwd)
elif [ -n "${BUILD_WIN:-}" ]; then
    # A kept build folder keeps its kit too: the build refers to the kit by its path.
    mkdir -p "$BUILD"
    KIT=$(cd "$BUILD" && pwd)/qt6-mingw
    [ -f "$KIT/mingw-w64-x86_64.cmake" ] || tar xJf "$KIT_SOURCE" -C "$BUILD"
else
    tar xJf "$KIT_SOURCE" -C "$SCRATCH"
    KIT=$SCRATCH/qt6-mingw
fi
[ -f "$KIT/mingw-w64-x86_64.cmake" ] || fail "$KIT_SOURCE holds no qt6-mingw kit"

# --- the virtual display and a fresh Wine prefix, made while the build runs -------------------
# Wine links "My Documents" and the Desktop into $HOME: a HOME of our own keeps them away from
# the real user's folders, and separate folders keep installed files apart from shortcuts.
export HOME=$SCRATCH/home WINEPREFIX=$SCRATCH/prefix WINEDEBUG=-all WINEARCH=win64
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d" # no Mono/Gecko prompts
export XDG_CONFIG_HOME=$HOME/.config XDG_DATA_HOME=$HOME/.local/share
export XDG_CACHE_HOME=$HOME/.cache XDG_RUNTIME_DIR=$SCRATCH/runtime
mkdir -p "$HOME/Documents" "$HOME/Desktop" "$XDG_CONFIG_HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
printf 'XDG_DESKTOP_DIR="%s"\nXDG_DOCUMENTS_DIR="%s"\n' "$HOME/Desktop" "$HOME/Documents" \
    >"$XDG_CONFIG_HOME/user-dirs.dirs"

Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$SCRATCH/display" \
    >"$SCRATCH/xvfb.log" 2>&1 &
XVFB_PID=$!
for _ in $(seq 1 100); do
    [ -s "$SCRATCH/display" ] && break
    sleep 0.1
done
[ -s "$SCRATCH/display" ] || fail "Xvfb did not start: $(cat "$SCRATCH/xvfb.log")"
DISPLAY=:$(head -n1 "$SCRATCH/display")
export DISPLAY

PREFIX_STARTED=$SECONDS
(wineboot -i && wineserver -w) >"$SCRATCH/wineboot.log" 2>&1 &
WINEBOOT_PID=$!

# --- build ------------------------------------------------------------------------------------
BUILD_STARTED=$SECONDS
say "building for Windows in $BUILD"
cmake -S "$ROOT" -B "$BUILD" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-w64-qt6.cmake" -DDUSKMERE_QT_MINGW_DIR="$KIT" \
    -DCMAKE_BUILD_TYPE=Release -DDUSKMERE_WERROR=ON >"$SCRATCH/configure.log" 2>&1 \
    || { cat "$SCRATCH/configure.log"; fail "configuring the Windows build"; }
cmake --build "$BUILD" -j2 >"$SCRATCH/build.log" 2>&1 \
    || { grep -v '^\[' "$SCRATCH/build.log" | tail -n 80; fail "building for Windows"; }
say "built in $(took "$BUILD_STARTED")"

wait "$WINEBOOT_PID" || { cat "$SCRATCH/wineboot.log"; fail "creating the Wine prefix"; }
say "Wine prefix ready after $(took "$PREFIX_STARTED") (made during the build)"
WINE_USER_DIR=$(find "$WINEPREFIX/drive_c/users" -mindepth 1 -maxdepth 1 -type d ! -name Public \
    | head -n1)
for folder in Documents Desktop; do
    target=$(readlink -f "$WINE_USER_DIR/$folder")
    [ "$target" = "$(readlink -f "$HOME/$folder")" ] || fail "Wine's $folder is $target, not inside $SCRATCH"
done

# --- gathering: a program and the DLLs that a clean Windows lacks ------------------------------
RUNTIME_DIRS=("$KIT/bin")
for dll in libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll; do
    path=$("$MINGW-g++-posix" -print-file-name="$dll")
    [ -f "$path" ] || fail "the mingw-w64 runtime has no $dll"
    RUNTIME_DIRS+=("$(cd "$(dirname "$path")" && pwd)")
done
declare -A SYSTEM_DLL=()

is_system_dll() {
    local name=${1,,}
    case $name in
    api-ms-win-* | ext-ms-win-*) return 0 ;; # API sets: the loader maps them to system DLLs
    esac
    if [ -z "${SYSTEM_DLL[$name]:-}" ]; then
        SYSTEM_DLL[$name]=no
        [ -n "$(find "$WINEPREFIX/drive_c/windows/system32" -maxdepth 1 -iname "$name" \
            -print -quit)" ] && SYSTEM_DLL[$name]=yes
    fi
    [ "${SYSTEM_DLL[$name]}" = yes ]
}

# gather <folder> <file>[=<subfolder>]...: copies the files (plug-ins into their subfolder)
# and, one import after another, every DLL they need that is not part of Windows.
gather() {
    local dest=$1 item file sub dll dir found
    shift
    local queue=()
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

PLUGINS=$KIT/plugins
DEPLOY=${DEPLOY_WIN:-$BUILD/DuskmereSetup-win64}
RUN=$SCRATCH/tests
rm -rf "$DEPLOY"
gather "$DEPLOY" "$BUILD/DuskmereSetup.exe" "$PLUGINS/platforms/qwindows.dll=platforms" \
    "$PLUGINS/imageformats/qjpeg.dll=imageformats" \
    "$PLUGINS/styles/qwindowsvistastyle.dll=styles"
# The tests this build defines, not whatever a kept build folder still holds from earlier.
mapfile -t TESTS < <(cd "$BUILD" && ctest -N | sed -n 's/^ *Test *#[0-9]*: *//p' \
    | sed "s|^|$BUILD/tests/|; s|\$|.exe|" | sort)
[ ${#TESTS[@]} -gt 0 ] || fail "the build made no test programs"
gather "$RUN" "${TESTS[@]}" "$PLUGINS/platforms/qoffscreen.dll=platforms" \
    "$PLUGINS/platforms/qwindows.dll=platforms" "$PLUGINS/imageformats/qjpeg.dll=imageformats" \
    "$PLUGINS/styles/qwindowsvistastyle.dll=styles"
say "gathered $DEPLOY: $(cd "$DEPLOY" && find . -type f | sed 's|^\./||' | sort | tr '\n' ' ')"

# --- every test program under Wine --------------------------------------------------------------
windows_path() { echo "Z:${1//\//\\}"; }
FONTS=/usr/share/wine/fonts
RESULTS=$SCRATCH/results
mkdir -p "$RESULTS"
TESTS_STARTED=$SECONDS
programs=0 passed=0 failed=0 skipped=0 broken=()
count() { sed -n "s/.* \([0-9][0-9]*\) $1.*/\1/p" <<<"$totals"; } # from QtTest's Totals line
fresh_user_folders() { # whatever a test or the program put in Documents or on the Desktop goes
    rm -rf "$SCRATCH/home/Documents" "$SCRATCH/home/Desktop"
    mkdir -p "$SCRATCH/home/Documents" "$SCRATCH/home/Desktop"
}
for exe in "${TESTS[@]}"; do
    name=$(basename "$exe" .exe)
    result=$RESULTS/$name.txt
    fresh_user_folders
    started=$SECONDS
    rc=0
    timeout -k 10 "$TEST_TIMEOUT" env QT_QPA_PLATFORM=offscreen \
        QT_QPA_FONTDIR="$(windows_path "$FONTS")" \
        wine "$RUN/$name.exe" -o "$(windows_path "$result"),txt" >"$RESULTS/$name.log" 2>&1 \
        || rc=$?
    programs=$((programs + 1))
    totals=$(grep -m1 '^Totals: ' "$result" 2>/dev/null || true)
    if [ -n "$totals" ]; then
        passed=$((passed + $(count passed)))
        failed=$((failed + $(count failed)))
        skipped=$((skipped + $(count skipped)))
    fi
    if [ "$rc" -eq 0 ] && [ -n "$totals" ] && [ "$(count failed)" = 0 ]; then
        echo "   ok    $name ($(count passed) passed, $(count skipped) skipped, $(took "$started"))"
        continue
    fi
    broken+=("$name")
    if [ "$rc" -eq 124 ] || [ "$rc" -eq 137 ]; then
        echo "   HUNG  $name: killed after $TEST_TIMEOUT s"
        wineserver -k 2>/dev/null || true # whatever it left running
    else
        echo "   FAIL  $name (exit code $rc)"
    fi
    if [ -f "$result" ]; then
        grep -E -A3 '^(FAIL!|XPASS|QFATAL)' "$result" | sed 's/^/         /' || true
        [ -n "$totals" ] || tail -n 20 "$result" | sed 's/^/         /'
    else
        echo "         no result file; its output:"
        tail -n 20 "$RESULTS/$name.log" | sed 's/^/         /'
    fi
done
say "Windows tests: $programs programs under Wine, $passed test cases passed, $failed failed," \
    "$skipped skipped, in $(took "$TESTS_STARTED")"

# --- the program itself, on the virtual display ---------------------------------------------------
# It shows its window, Escape asks whether to quit, the plain key y answers Yes, and it ends with
# exit code 0.
wait_for_window() { # title pattern, seconds; prints the window id
    local id
    for _ in $(seq 1 $((2 * $2))); do
        id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n1)
        [ -n "$id" ] && echo "$id" && return 0
        [ -n "$PROGRAM_PID" ] && ! kill -0 "$PROGRAM_PID" 2>/dev/null && return 1
        sleep 0.5
    done
    return 1
}

PROGRAM_STARTED=$SECONDS
PROGRAM_ERROR=""
cp -r "$ROOT/sample" "$SCRATCH/setup"
fresh_user_folders
(cd "$SCRATCH/setup" && exec env QT_QPA_PLATFORM=windows wine "$DEPLOY/DuskmereSetup.exe") \
    >"$SCRATCH/program.log" 2>&1 &
PROGRAM_PID=$!
if ! window=$(wait_for_window '^The Duskmere Setup$' "$PROGRAM_TIMEOUT"); then
    PROGRAM_ERROR="its window \"The Duskmere Setup\" did not show"
else
    say "the program shows \"The Duskmere Setup\" after $(took "$PROGRAM_STARTED")"
    [ -n "${DUSKMERE_WINDOWS_SHOT:-}" ] && command -v import >/dev/null \
        && import -window root "$DUSKMERE_WINDOWS_SHOT" 2>/dev/null
    question=""
    for _ in 1 2 3; do # a key pressed while the window is still being mapped can get lost
        xdotool key --window "$window" Escape 2>/dev/null
        question=$(wait_for_window '^DuskmereSetup - Really quit\?$' 10) && break
    done
    if [ -z "$question" ]; then
        PROGRAM_ERROR="Escape did not ask \"DuskmereSetup - Really quit?\""
    else
        xdotool key --window "$question" y 2>/dev/null
        for _ in $(seq 1 $((2 * PROGRAM_TIMEOUT))); do
            kill -0 "$PROGRAM_PID" 2>/dev/null || break
            sleep 0.5
        done
        kill -0 "$PROGRAM_PID" 2>/dev/null && PROGRAM_ERROR="it did not end after \"Yes\""
    fi
fi
if [ -z "$PROGRAM_ERROR" ]; then
    rc=0
    wait "$PROGRAM_PID" || rc=$?
    PROGRAM_PID=""
    [ "$rc" -eq 0 ] || PROGRAM_ERROR="it ended with exit code $rc"
fi
if [ -n "$PROGRAM_ERROR" ]; then
    echo "   FAIL  DuskmereSetup.exe: $PROGRAM_ERROR"
    tail -n 20 "$SCRATCH/program.log" | sed 's/^/         /'
    broken+=(DuskmereSetup.exe)
else
    say "the program quit on Escape, y with exit code 0 ($(took "$PROGRAM_STARTED"))"
fi

say "Windows part took $(took "$STARTED")"
[ ${#broken[@]} -eq 0 ] || fail "on Windows: ${broken[*]}"
