#!/usr/bin/env bash
# Sets up a fresh Debian/Ubuntu machine, builds the wizard and starts it on the sample mod, in a
# scratch world of its own: a HOME, Wine prefix and XDG folders made for the run, so nothing
# lands in your real Documents, Desktop or Start Menu. Afterwards it prints what the wizard wrote
# and where, as it finds it in that world.
#
#   bash scripts/demo.sh          the wizard on your display; without one, the screenshot tour
#                                 takes a picture of every page instead
#   bash scripts/demo.sh --xvfb   the real window on a virtual display (installs Xvfb): the
#                                 wizard's pages as it shows them, pictured through X
#
# KEEP_SCRATCH=1 keeps the scratch world (and says where it is); BUILD=<folder> builds elsewhere
# than build/, the folder the test command uses too.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
source "$ROOT/scripts/xvfb.sh"

mode=window
case "${1:-}" in
--xvfb) mode=xvfb ;;
"") [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && mode=tour ;;
*)
    echo "usage: $0 [--xvfb]" >&2
    exit 2
    ;;
esac
STARTED=$SECONDS

packages=("${LINUX_PACKAGES[@]}")
[ $mode = xvfb ] && packages+=(xvfb xauth xdotool)
bash "$ROOT/scripts/install-deps.sh" "${packages[@]}"
case $mode in
window) build_linux DuskmereSetup ;;
tour) build_linux DuskmereSetup duskmere_tour ;;
xvfb) build_linux DuskmereSetup duskmere_grab ;;
esac

# Its real path: the report below compares it with where links lead.
SCRATCH=$(realpath "$(mktemp -d "${TMPDIR:-/tmp}/duskmere-demo-XXXXXX")")
XVFB_PID=""
cleanup() {
    [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null && wait "$XVFB_PID" 2>/dev/null
    if [ "${KEEP_SCRATCH:-0}" = 1 ]; then
        echo "== kept the scratch world: $SCRATCH"
    else
        rm -rf "$SCRATCH"
    fi
}
trap cleanup EXIT

# The world: the sample release as a user unpacks it, and a Wine prefix laid out as Wine lays out
# a new one, that plays a Windows machine with the game: a retail UT3 below Program Files and a
# Steam client that its registry names. The prefix's account, which Wine names after the Unix
# user, has its Documents, Desktop and the other shell folders linked to the home's own, its Start
# Menu in the prefix, and the registry records them as Wine's shell does; so the wizard installs
# where a usual Wine user's installer installs.
cp -r "$ROOT/sample" "$SCRATCH/setup"
mkdir -p "$SCRATCH/xdg/config" "$SCRATCH/xdg/data" "$SCRATCH/xdg/cache" "$SCRATCH/xdg/runtime"
chmod 700 "$SCRATCH/xdg/runtime"
export HOME="$SCRATCH/home" WINEPREFIX="$SCRATCH/home/.wine"
export XDG_CONFIG_HOME="$SCRATCH/xdg/config" XDG_DATA_HOME="$SCRATCH/xdg/data"
export XDG_CACHE_HOME="$SCRATCH/xdg/cache" XDG_RUNTIME_DIR="$SCRATCH/xdg/runtime"
ACCOUNT=$(id -un)
PROFILE="$WINEPREFIX/drive_c/users/$ACCOUNT"
mkdir -p "$PROFILE/AppData/Roaming/Microsoft/Windows/Start Menu/Programs" \
    "$PROFILE/AppData/Local" "$PROFILE/Temp" "$PROFILE/Contacts" "$PROFILE/Favorites" \
    "$PROFILE/Links" "$PROFILE/Saved Games" "$PROFILE/Searches" \
    "$WINEPREFIX/drive_c/users/Public/Documents" "$WINEPREFIX/drive_c/windows/system32" \
    "$WINEPREFIX/dosdevices"
for folder in Desktop Documents Downloads Music Pictures Videos; do
    mkdir -p "$HOME/$folder"
    ln -s "$HOME/$folder" "$PROFILE/$folder"
done
cat >"$XDG_CONFIG_HOME/user-dirs.dirs" <<DIRS
XDG_DESKTOP_DIR="$HOME/Desktop"
XDG_DOCUMENTS_DIR="$HOME/Documents"
XDG_DOWNLOAD_DIR="$HOME/Downloads"
XDG_MUSIC_DIR="$HOME/Music"
XDG_PICTURES_DIR="$HOME/Pictures"
XDG_VIDEOS_DIR="$HOME/Videos"
DIRS
ln -s ../drive_c "$WINEPREFIX/dosdevices/c:"
ln -s / "$WINEPREFIX/dosdevices/z:"
PROGRAMS="$WINEPREFIX/drive_c/Program Files (x86)"
mkdir -p "$PROGRAMS/Unreal Tournament 3/Binaries" "$PROGRAMS/Steam"
printf 'MZ' >"$PROGRAMS/Unreal Tournament 3/Binaries/UT3.exe"
printf 'MZ' >"$PROGRAMS/Steam/Steam.exe"
sed "s/@ACCOUNT@/$ACCOUNT/g" >"$WINEPREFIX/user.reg" <<'REG'
WINE REGISTRY Version 2
;; All keys relative to REGISTRY\\User\\S-1-5-21-0-0-0-1000

#arch=win64

[Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders] 1700000000
"AppData"="C:\\users\\@ACCOUNT@\\AppData\\Roaming"
"Desktop"="C:\\users\\@ACCOUNT@\\Desktop"
"My Music"="C:\\users\\@ACCOUNT@\\Music"
"My Pictures"="C:\\users\\@ACCOUNT@\\Pictures"
"My Videos"="C:\\users\\@ACCOUNT@\\Videos"
"Personal"="C:\\users\\@ACCOUNT@\\Documents"
"Programs"="C:\\users\\@ACCOUNT@\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs"
"Start Menu"="C:\\users\\@ACCOUNT@\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu"

[Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders] 1700000000
"AppData"=str(2):"%USERPROFILE%\\AppData\\Roaming"
"Desktop"=str(2):"%USERPROFILE%\\Desktop"
"My Music"=str(2):"%USERPROFILE%\\Music"
"My Pictures"=str(2):"%USERPROFILE%\\Pictures"
"My Videos"=str(2):"%USERPROFILE%\\Videos"
"Personal"=str(2):"%USERPROFILE%\\Documents"
"Programs"=str(2):"%USERPROFILE%\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs"
"Start Menu"=str(2):"%USERPROFILE%\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu"

[Software\\Valve\\Steam] 1700000000
"InstallPath"="C:\\Program Files (x86)\\Steam"
REG

# drive_window <folder>: the wizard on the X display, walked forward with the Enter key as a user
# would press it, a picture of the screen on every page, and Close at the end.
drive_window() {
    local pictures=$1 window="" page rc=0
    QT_QPA_PLATFORM=xcb "$BUILD/DuskmereSetup" >"$SCRATCH/wizard.log" 2>&1 &
    local pid=$!
    for _ in $(seq 1 60); do
        window=$(xdotool search --onlyvisible --name '^The Duskmere Setup$' 2>/dev/null | head -n1 || true)
        [ -n "$window" ] && break
        sleep 0.5
    done
    if [ -z "$window" ]; then
        kill "$pid" 2>/dev/null
        cat "$SCRATCH/wizard.log"
        echo "== the wizard's window did not show" >&2
        return 1
    fi
    sleep 1
    for page in 1-welcome 2-gather 3-paths 4-ready 5-copy 6-final; do
        "$BUILD/tools/duskmere_grab" "$pictures/$page.png"
        xdotool windowfocus --sync "$window" key Return 2>/dev/null
        sleep 3 # gathering and copying the sample take well under that
    done
    for _ in $(seq 1 20); do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.5
    done
    if kill -0 "$pid" 2>/dev/null; then
        kill "$pid"
        echo "== the wizard did not close on Close" >&2
        return 1
    fi
    wait "$pid" || rc=$?
    echo "== the wizard closed with exit code $rc"
}

# Every file and link that the wizard may write, found without following links: a file written
# through one of the account's links shows in the folder it really landed in.
snapshot() {
    find "$HOME" "$XDG_DATA_HOME" "$XDG_CONFIG_HOME" \( -type f -o -type l \) -print | LC_ALL=C sort
}

# prefix_name <path>: how the prefix's account names the path, where one of its links leads there
# or it lies on drive C:; nothing otherwise.
prefix_name() {
    local path=$1 link target
    for link in "$PROFILE"/*; do
        [ -L "$link" ] || continue
        target=$(readlink -f "$link")
        case $path in "$target" | "$target"/*)
            path=$PROFILE/${link##*/}${path#"$target"}
            break
            ;;
        esac
    done
    case $path in "$WINEPREFIX/drive_c"/*)
        path=${path#"$WINEPREFIX/drive_c"}
        echo "C:${path//\//\\}"
        ;;
    esac
}

# report_install <snapshot before the run>: what the wizard wrote, read back from the world: the
# folder that holds the mod's tree, compared with the data folder file by file, then everything
# else it wrote, each link with what it starts. Fails when the mod's tree is not there whole.
report_install() {
    local before=$1 data=$SCRATCH/setup/GameFiles install="" first file name count=0
    local written=()
    mapfile -t written < <(LC_ALL=C comm -13 "$before" <(snapshot))
    if [ ${#written[@]} -eq 0 ]; then
        echo "== the wizard wrote nothing"
        return 1
    fi
    # The install folder: where a file of the mod landed, less the file's place in the mod.
    first=$(cd "$data" && find . -type f -print -quit)
    first=${first#./}
    for file in "${written[@]}"; do
        case $file in */"$first") install=${file%/"$first"} ;; esac
    done
    if [ -z "$install" ]; then
        echo "== none of the mod's files was installed; the wizard wrote:"
        printf '   %s\n' "${written[@]}"
        return 1
    fi
    name=$(prefix_name "$install")
    echo "== the wizard installed into $install${name:+,}"
    [ -z "$name" ] || echo "   which the prefix's account names $name:"
    while IFS= read -r file; do
        if ! cmp -s "$data/$file" "$install/$file"; then
            echo "== $install/$file is missing or differs from the mod's" >&2
            return 1
        fi
        echo "   $file"
        count=$((count + 1))
    done < <(cd "$data" && find . -type f | sed 's|^\./||' | LC_ALL=C sort)
    echo "   $count files, each equal to the data folder's"
    echo "== its shortcuts, and what else it wrote:"
    for file in "${written[@]}"; do
        case $file in "$install"/*) [ -f "$data/${file#"$install"/}" ] && continue ;; esac
        case $file in
        *.lnk)
            echo "   link      $file"
            name=$(prefix_name "$file")
            [ -z "$name" ] || echo "             (in the prefix $name)"
            lnkinfo "$file" | sed -n 's/^\t*\(Local path\|Command line arguments\)\t*: //p' \
                | paste -sd ' ' | sed 's/^/             starts /'
            ;;
        *.desktop) echo "   launcher  $file" ;;
        *) echo "   file      $file" ;;
        esac
    done
}

# check_pictures <folder>: six pictures, no two of them alike.
check_pictures() {
    local alike
    echo "== after $((SECONDS - STARTED)) s, pictures of every page in $1:"
    ls "$1" | sed 's/^/   /'
    [ "$(find "$1" -name '*.png' | wc -l)" -eq 6 ] || { echo "== not six pictures" >&2; return 1; }
    alike=$(cd "$1" && md5sum -- *.png | sort | uniq -w32 -D | sed 's/^[0-9a-f]* *//' \
        | paste -sd ' ')
    if [ -n "$alike" ]; then
        echo "== pictures alike: $alike" >&2
        return 1
    fi
}

echo "== the wizard runs in $SCRATCH/setup, in a world of its own: HOME=$HOME,"
echo "   WINEPREFIX=$WINEPREFIX (account $ACCOUNT), XDG folders in $SCRATCH/xdg"
snapshot >"$SCRATCH/before"
cd "$SCRATCH/setup"
case $mode in
window)
    echo "== ready after $((SECONDS - STARTED)) s"
    "$BUILD/DuskmereSetup"
    # The user may have left before installing: then there is nothing to show, and no fault.
    report_install "$SCRATCH/before" || true
    ;;
tour)
    PICTURES="$BUILD/pictures"
    rm -rf "$PICTURES"
    echo "== no display: the screenshot tour walks a retail installation and pictures every page"
    QT_QPA_PLATFORM=offscreen "$BUILD/tools/duskmere_tour" "$PICTURES" >/dev/null
    check_pictures "$PICTURES"
    report_install "$SCRATCH/before"
    ;;
xvfb)
    PICTURES="$BUILD/pictures-xvfb"
    rm -rf "$PICTURES"
    mkdir -p "$PICTURES"
    start_xvfb "$SCRATCH"
    drive_window "$PICTURES"
    check_pictures "$PICTURES"
    report_install "$SCRATCH/before"
    ;;
esac
