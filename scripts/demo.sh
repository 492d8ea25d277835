#!/usr/bin/env bash
# Sets up a fresh Debian/Ubuntu machine, builds the wizard and starts it on the sample mod, in a
# scratch world of its own: a HOME, Wine prefix and XDG folders made for the run, so nothing
# lands in your real Documents, Desktop or Start Menu. Afterwards it prints what the wizard wrote
# and where, as it finds it in that world.
#
#   bash scripts/demo.sh          the wizard on your display; without one, the screenshot tour
#                                 takes a picture of every page instead
#   bash scripts/demo.sh --xvfb   the real window on a virtual display (adds xauth and xdotool
#                                 to the packages, Xvfb among them): the wizard's pages as it
#                                 shows them, pictured through X
#
# KEEP_SCRATCH=1 keeps the scratch world (and says where it is); BUILD=<folder> builds elsewhere
# than build/, the folder the test command uses too.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
source "$ROOT/scripts/xvfb.sh"
source "$ROOT/scripts/world.sh"

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

# The world (scripts/world.sh), with the sample release as a user unpacks it.
cp -r "$ROOT/sample" "$SCRATCH/setup"
world_env "$SCRATCH"
make_world

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
    drive_window "$SCRATCH/wizard.log" "$PICTURES" env QT_QPA_PLATFORM=xcb "$BUILD/DuskmereSetup"
    check_pictures "$PICTURES"
    report_install "$SCRATCH/before"
    ;;
esac
