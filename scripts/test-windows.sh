#!/usr/bin/env bash
# The Windows build, made and tried on Linux: cross-compiles the program and every test with
# mingw-w64 against the Qt kit for Windows (warnings are errors), lays out the archive a mod team
# ships as scripts/package.sh does (the Linux program beside the Windows one), runs every test
# under Wine on a virtual display as an ordinary user, then starts the shipped program itself
# there, checks that its window shows, quits it the way a user does and checks its exit code.
#
# Run as root, the script makes a throw-away account for the Wine part (root may write where a
# user may not, and so would hide permission faults) and removes it at the end; run as anyone
# else, it runs the Wine part as the caller.
#
# Environment (all optional):
#   DUSKMERE_QT_MINGW_KIT  the kit archive (qt6-mingw-6.4.2.tar.xz) or its unpacked folder;
#                          else ../shared/qt6-mingw/ beside the repository
#   BUILD_WIN              build folder to keep between runs, with its own copy of the kit
#                          (default: a temporary one)
#   TEST_TIMEOUT           seconds one test program may take under Wine (default 300)
#   KEEP_SCRATCH=1         keep the temporary folder (Wine prefix, results) for a look afterwards
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
LINUX_BUILD=$BUILD
source "$ROOT/scripts/windows-build.sh"
source "$ROOT/scripts/release.sh"
source "$ROOT/scripts/xvfb.sh"

TEST_TIMEOUT=${TEST_TIMEOUT:-300}
PROGRAM_TIMEOUT=60
STARTED=$SECONDS

# Before anything is installed or any account made: without the kit nothing here can be built.
find_kit >/dev/null
bash "$ROOT/scripts/install-deps.sh" "${WINDOWS_PACKAGES[@]}"

# --- scratch: kit, Wine prefix, its HOME, results; everything goes when the script ends -------
# The folder is named with this run's process id. A run killed half way leaves it (and, as root,
# its account); the next run removes both once that process is gone.
# The account of the Wine part must reach the folder: a temporary folder below one closed to other
# accounts (a private TMPDIR) cannot hold it, so then /tmp does.
SCRATCH_PARENT=${TMPDIR:-/tmp}
if [ "$(id -u)" -eq 0 ] && ! setpriv --reuid=65534 --regid=65534 --clear-groups \
    test -x "$SCRATCH_PARENT" 2>/dev/null; then
    echo "== $SCRATCH_PARENT is closed to other accounts: the Wine part works in /tmp"
    SCRATCH_PARENT=/tmp
fi
for stale in "$SCRATCH_PARENT"/duskmere-windows-run*; do
    [ -d "$stale" ] && [ ! -L "$stale" ] || continue
    [ -O "$stale" ] || [ "$(id -u)" -eq 0 ] || continue
    kill -0 "${stale##*-run}" 2>/dev/null && continue
    account=duskmere-${stale##*-}
    if [ "$(id -u)" -eq 0 ] && id "$account" >/dev/null 2>&1; then
        pkill -KILL -u "$account" 2>/dev/null || true
        userdel -f "$account" 2>/dev/null || true
    fi
    rm -rf "$stale"
done
SCRATCH=$SCRATCH_PARENT/duskmere-windows-run$$
rm -rf "$SCRATCH"
mkdir -m 700 "$SCRATCH"
TEST_USER=""
XVFB_PID=""
PROGRAM_PID=""
# What runs a command as the account of the Wine part, with this environment.
AS_USER=()
as_user() { "${AS_USER[@]}" "$@"; }
cleanup() {
    set +e
    [ -n "$PROGRAM_PID" ] && kill "$PROGRAM_PID" 2>/dev/null
    [ -d "$SCRATCH/prefix" ] && WINEPREFIX="$SCRATCH/prefix" as_user wineserver -k 2>/dev/null
    [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null && wait "$XVFB_PID" 2>/dev/null
    if [ -n "$TEST_USER" ]; then # nothing of the throw-away account outlives it
        pkill -KILL -u "$TEST_USER" 2>/dev/null
        userdel -f "$TEST_USER" 2>/dev/null
    fi
    [ -n "${X11_DIR_MADE:-}" ] && rmdir /tmp/.X11-unix 2>/dev/null
    if [ "${KEEP_SCRATCH:-0}" = 1 ]; then # under a name the next run leaves alone
        mv "$SCRATCH" "${SCRATCH/-run/-kept}" && echo "== kept ${SCRATCH/-run/-kept}"
    else
        rm -rf "$SCRATCH"
    fi
}
trap cleanup EXIT

if [ "$(id -u)" -eq 0 ]; then
    TEST_USER=duskmere-$(basename "$SCRATCH" | sed 's/.*-//' | tr '[:upper:]' '[:lower:]')
    useradd --no-create-home --home-dir "$SCRATCH/home" --shell /usr/sbin/nologin --user-group \
        "$TEST_USER" || fail "cannot make the account $TEST_USER"
    AS_USER=(setpriv --reuid="$TEST_USER" --regid="$TEST_USER" --init-groups
        env USER="$TEST_USER" LOGNAME="$TEST_USER")
    say "the Wine part runs as $TEST_USER"
    chown "$TEST_USER:" "$SCRATCH"
fi
# The tests read the sample mod; the checkout may lie where the account cannot read (below
# /root, say), so they get a copy of their own.
cp -r "$ROOT/sample" "$SCRATCH/sample"
[ -z "$TEST_USER" ] || chown -R "$TEST_USER:" "$SCRATCH/sample"
export DUSKMERE_SAMPLE_DIR
DUSKMERE_SAMPLE_DIR=$(windows_path "$SCRATCH/sample")
# Wine keeps its server's socket below TMPDIR, Xvfb its own in /tmp/.X11-unix: the first goes
# with the scratch folder, the second when this run made it.
export TMPDIR=$SCRATCH/tmp
as_user mkdir -p "$TMPDIR"
[ -d /tmp/.X11-unix ] || X11_DIR_MADE=1
prepare_build "$SCRATCH"

# --- the virtual display and a fresh Wine prefix, made while the build runs -------------------
# Wine links "My Documents" and the Desktop into $HOME: a HOME of our own keeps them away from
# the real user's folders, and separate folders keep installed files apart from shortcuts.
export HOME=$SCRATCH/home WINEPREFIX=$SCRATCH/prefix WINEDEBUG=-all WINEARCH=win64
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d" # no Mono/Gecko prompts
export XDG_CONFIG_HOME=$HOME/.config XDG_DATA_HOME=$HOME/.local/share
export XDG_CACHE_HOME=$HOME/.cache XDG_RUNTIME_DIR=$SCRATCH/runtime
as_user mkdir -p "$HOME/Documents" "$HOME/Desktop" "$XDG_CONFIG_HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
printf 'XDG_DESKTOP_DIR="%s"\nXDG_DOCUMENTS_DIR="%s"\n' "$HOME/Desktop" "$HOME/Documents" \
    | as_user tee "$XDG_CONFIG_HOME/user-dirs.dirs" >/dev/null

start_xvfb "$SCRATCH" "${AS_USER[@]}" || fail "no virtual display"

PREFIX_STARTED=$SECONDS
"${AS_USER[@]}" sh -c 'wineboot -i && wineserver -w' >"$SCRATCH/wineboot.log" 2>&1 &
WINEBOOT_PID=$!

# --- build ------------------------------------------------------------------------------------
BUILD_STARTED=$SECONDS
say "building for Windows in $BUILD"
build_windows "$SCRATCH"
BUILD=$LINUX_BUILD build_linux DuskmereSetup # the archive's Linux half
say "built in $(took "$BUILD_STARTED")"

wait "$WINEBOOT_PID" || { cat "$SCRATCH/wineboot.log"; fail "creating the Wine prefix"; }
say "Wine prefix ready after $(took "$PREFIX_STARTED") (made during the build)"
WINE_USER_DIR=$(find "$WINEPREFIX/drive_c/users" -mindepth 1 -maxdepth 1 -type d ! -name Public \
    | head -n1)
for folder in Documents Desktop; do
    target=$(readlink -f "$WINE_USER_DIR/$folder")
    [ "$target" = "$(readlink -f "$HOME/$folder")" ] || fail "Wine's $folder is $target, not inside $SCRATCH"
done

# --- what a mod team ships, unpacked by the user; and the tests with their plug-ins ------------
# The archive as scripts/package.sh makes it, the Linux program beside the Windows one.
lay_out_release "$SCRATCH/package" "$ROOT/sample/GameFiles" "$ROOT/sample/ds.conf" \
    "$LINUX_BUILD/DuskmereSetup"
zip_release "$SCRATCH/package" "$SCRATCH/DuskmereSetup.zip"
SHIPPED=$SCRATCH/shipped
as_user unzip -q "$SCRATCH/DuskmereSetup.zip" -d "$SHIPPED"
say "shipped: $(find "$SHIPPED" -type f | wc -l) files; Setup/ holds" \
    "$(cd "$SHIPPED/Setup" && find . -maxdepth 1 ! -name . | sed 's|^\./||' | sort | paste -sd ' ')"

RUN=$SCRATCH/tests
# The tests this build defines, not whatever a kept build folder still holds from earlier.
mapfile -t TESTS < <(cd "$BUILD" && ctest -N | sed -n 's/^ *Test *#[0-9]*: *//p' \
    | sed "s|^|$BUILD/tests/|; s|\$|.exe|" | sort)
[ ${#TESTS[@]} -gt 0 ] || fail "the build made no test programs"
AUTOPILOT=$(find "$BUILD/tests/generic" -maxdepth 1 -name '*.dll' | head -n1)
[ -n "$AUTOPILOT" ] || fail "the build made no autopilot plug-in"
mapfile -t test_plugins < <(plugin_items platforms/qoffscreen.dll "${PROGRAM_PLUGINS[@]}")
gather "$RUN" "${TESTS[@]}" "$AUTOPILOT=generic" "${test_plugins[@]}"
[ -z "$TEST_USER" ] || chown -R "$TEST_USER:" "$RUN"
# --- every test program under Wine --------------------------------------------------------------
FONTS=/usr/share/wine/fonts
RESULTS=$SCRATCH/results
as_user mkdir -p "$RESULTS"
# tst_program starts the program as it ships.
export DUSKMERE_PROGRAM
DUSKMERE_PROGRAM=$(windows_path "$SHIPPED/Setup/DuskmereSetup.exe")
TESTS_STARTED=$SECONDS
programs=0 passed=0 failed=0 skipped=0 broken=()
count() { sed -n "s/.* \([0-9][0-9]*\) $1.*/\1/p" <<<"$totals"; } # from QtTest's Totals line
fresh_user_folders() { # whatever a test or the program put in Documents or on the Desktop goes
    rm -rf "$SCRATCH/home/Documents" "$SCRATCH/home/Desktop"
    as_user mkdir -p "$SCRATCH/home/Documents" "$SCRATCH/home/Desktop"
}
for exe in "${TESTS[@]}"; do
    name=$(basename "$exe" .exe)
    result=$RESULTS/$name.txt
    fresh_user_folders
    started=$SECONDS
    rc=0
    timeout -k 10 "$TEST_TIMEOUT" "${AS_USER[@]}" env QT_QPA_PLATFORM=offscreen \
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
        as_user wineserver -k 2>/dev/null || true # whatever it left running
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
fresh_user_folders
(cd "$SHIPPED/Setup" && exec "${AS_USER[@]}" env QT_QPA_PLATFORM=windows wine DuskmereSetup.exe) \
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
