# The scratch world that the wizard runs in for the demo and the release check: a HOME, a Wine
# prefix and XDG folders of its own, so nothing lands in the real user's Documents, Desktop or
# Start Menu; and the walk through the wizard on an X display.
# shellcheck shell=bash

# world_env <folder>: the world's HOME, WINEPREFIX and XDG folders below the folder, exported.
world_env() {
    export HOME="$1/home" WINEPREFIX="$1/home/.wine"
    export XDG_CONFIG_HOME="$1/xdg/config" XDG_DATA_HOME="$1/xdg/data"
    export XDG_CACHE_HOME="$1/xdg/cache" XDG_RUNTIME_DIR="$1/xdg/runtime"
}

# make_world: a Wine prefix laid out as Wine lays out a new one, in the folders world_env named,
# that plays a Windows machine with the game: a retail UT3 below Program Files and a Steam client
# that its registry names. The prefix's account (ACCOUNT, PROFILE), which Wine names after the
# Unix user, has its Documents, Desktop and the other shell folders linked to the home's own, its
# Start Menu in the prefix, and the registry records them as Wine's shell does; so the wizard
# installs where a usual Wine user's installer installs.
make_world() {
    mkdir -p "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$XDG_CACHE_HOME" "$XDG_RUNTIME_DIR"
    chmod 700 "$XDG_RUNTIME_DIR"
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
}

# drive_window <log> <pictures folder, or nothing> <command>...: the wizard that the command starts
# on the X display, walked forward with the Enter key as a user would press it, a picture of the
# screen on every page where a folder is given (by the build's duskmere_grab), and Close at the
# end; fails unless it ends with exit code 0.
drive_window() {
    local log=$1 pictures=$2 window="" page rc=0
    shift 2
    "$@" >"$log" 2>&1 &
    local pid=$!
    for _ in $(seq 1 60); do
        window=$(xdotool search --onlyvisible --name '^The Duskmere Setup$' 2>/dev/null | head -n1 || true)
        [ -n "$window" ] && break
        sleep 0.5
    done
    if [ -z "$window" ]; then
        kill "$pid" 2>/dev/null
        cat "$log"
        echo "== the wizard's window did not show" >&2
        return 1
    fi
    sleep 1
    for page in 1-welcome 2-gather 3-paths 4-ready 5-copy 6-final; do
        [ -z "$pictures" ] || "$BUILD/tools/duskmere_grab" "$pictures/$page.png"
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
    [ "$rc" -eq 0 ]
}
