# What a mod team ships, laid out as the program expects it; shared by package.sh and
# test-windows.sh. Source it after windows-build.sh (gather, plugin_items, say, fail, KIT, BUILD).
#
#   Setup/      DuskmereSetup.exe with its DLLs; DuskmereSetup, the Linux program, with its
#               libraries in lib/; the plug-ins of both in platforms/, imageformats/, ...; one
#               qt.conf for both; ds.conf and the files it names
#   GameFiles/  the mod's files, where ds.conf's default "..\GameFiles\" finds them
# shellcheck shell=bash

# --- the Linux program with every library a desktop may lack -------------------------------------
# The xcb platform (X11, and Wayland through XWayland), the JPEG reader for the logo and the slide
# show, the ICO reader for the launchers' icon, and the input methods.
LINUX_PLUGINS=(platforms/libqxcb.so imageformats/libqjpeg.so imageformats/libqico.so
    platforminputcontexts/libcomposeplatforminputcontextplugin.so
    platforminputcontexts/libibusplatforminputcontextplugin.so)
# Native Wayland where the build machine has Qt's Wayland plug-ins (qt6-wayland); its GL
# integrations stay out, as do xcb's: the program paints in software, and a GL driver loaded next
# to the libraries shipped here could ask for a newer libstdc++ than theirs.
LINUX_OPTIONAL_PLUGINS=(platforms/libqwayland-generic.so
    wayland-shell-integration/libxdg-shell.so wayland-decoration-client/libbradient.so)
# What every desktop has, by the Debian source package that builds it: glibc, the X and GL client
# libraries, fontconfig and FreeType, GLib and D-Bus. Whatever these need in turn comes with them.
BASE_SOURCES=(glibc libx11 libxcb libxau libxdmcp libxext libxrender libsm libice libglvnd mesa
    fontconfig freetype glib2.0 dbus)
declare -A SYSTEM_LIB=()

# base_sources <library path>...: "path source" for each library that a package installed, the
# source being the Debian source package that built it. One dpkg call for all: each one reads
# the whole package database.
base_sources() {
    local path candidate line package origin
    declare -A owner=() source=()
    local candidates=()
    for path in "$@"; do
        candidates+=("$path" "/usr$path" "${path#/usr}" "$(realpath "$path")")
    done
    while IFS= read -r line; do # "package[:arch][, package...]: path"
        owner[${line#*: }]=${line%%[:,]*}
    done < <(dpkg -S "${candidates[@]}" 2>/dev/null | grep -v '^diversion' || true)
    for candidate in "${owner[@]}"; do
        source[$candidate]=""
    done
    [ ${#source[@]} -gt 0 ] || return 0
    while read -r package origin; do
        source[$package]=$origin
    done < <(dpkg-query -W -f='${Package} ${source:Package}\n' "${!source[@]}")
    for path in "$@"; do
        for candidate in "$path" "/usr$path" "${path#/usr}" "$(realpath "$path")"; do
            [ -n "${owner[$candidate]:-}" ] || continue
            echo "$path ${source[${owner[$candidate]}]:-}"
            break
        done
    done
}

# ldd_libs <file>: "soname path" for every library the file loads, directly or not.
ldd_libs() {
    env -i ldd "$1" | awk '$2 == "=>" { print $1, $3 }'
}

# gather_linux <Setup folder> <program>: the program, stripped, its plug-ins and every library
# they load that is not part of a desktop's base, each found through $ORIGIN.
gather_linux() {
    local setup=$1 program=$2 plugins_dir plugin soname path origin dep file missing
    local roots=() items=()
    plugins_dir=$(/usr/lib/qt6/bin/qtpaths6 --query QT_INSTALL_PLUGINS)
    for plugin in "${LINUX_PLUGINS[@]}"; do
        [ -f "$plugins_dir/$plugin" ] || fail "the build machine's Qt lacks $plugin"
        items+=("$plugin")
    done
    for plugin in "${LINUX_OPTIONAL_PLUGINS[@]}"; do
        [ -f "$plugins_dir/$plugin" ] && items+=("$plugin")
    done
    mkdir -p "$setup/lib"
    cp "$program" "$setup/DuskmereSetup"
    roots+=("$setup/DuskmereSetup")
    for plugin in "${items[@]}"; do
        mkdir -p "$setup/$(dirname "$plugin")"
        cp "$plugins_dir/$plugin" "$setup/$plugin"
        roots+=("$setup/$plugin")
    done
    # Everything loaded, split into the base (with what it loads) and what travels along.
    declare -A wanted=()
    for file in "${roots[@]}"; do
        while read -r soname path; do
            [ "$path" = "not" ] && fail "$(basename "$file") needs $soname, which this machine lacks"
            wanted[$soname]=$path
        done < <(ldd_libs "$file")
    done
    declare -A soname_of=()
    for soname in "${!wanted[@]}"; do soname_of[${wanted[$soname]}]=$soname; done
    while read -r path origin; do
        [[ " ${BASE_SOURCES[*]} " == *" $origin "* ]] || continue
        SYSTEM_LIB[${soname_of[$path]}]=$origin
        while read -r dep _; do SYSTEM_LIB[$dep]=${SYSTEM_LIB[$dep]:-$origin}; done \
            < <(ldd_libs "$path")
    done < <(base_sources "${wanted[@]}")
    for soname in "${!wanted[@]}"; do
        [ -n "${SYSTEM_LIB[$soname]:-}" ] && continue
        cp -L "${wanted[$soname]}" "$setup/lib/$soname"
        chmod 644 "$setup/lib/$soname"
        # shellcheck disable=SC2016 # $ORIGIN is the loader's, not the shell's
        patchelf --set-rpath '$ORIGIN' "$setup/lib/$soname"
    done
    strip --strip-unneeded "$setup/DuskmereSetup" "$setup"/lib/*.so*
    chmod 755 "$setup/DuskmereSetup"
    # shellcheck disable=SC2016
    patchelf --set-rpath '$ORIGIN/lib' "$setup/DuskmereSetup"
    for plugin in "${items[@]}"; do
        patchelf --set-rpath "\$ORIGIN/$(dirname "$plugin" | sed 's|[^/]*|..|g')/lib" \
            "$setup/$plugin"
    done
    # The proof on this machine: whatever is not the base is found beside the program.
    missing=""
    while IFS= read -r file; do
        while read -r soname path; do
            case $path in "$setup"/*) continue ;; esac
            [ -n "${SYSTEM_LIB[$soname]:-}" ] || missing+=" $(basename "$file"):$soname"
        done < <(ldd_libs "$file")
    done < <(find "$setup/DuskmereSetup" "$setup/lib" "${roots[@]:1}" -type f)
    [ -z "$missing" ] || fail "found outside Setup/, yet not part of a desktop's base:$missing"
    LINUX_GLIBC=$(find "$setup/DuskmereSetup" "$setup/lib" "${roots[@]:1}" -type f \
        -exec objdump -T {} + 2>/dev/null | grep -o 'GLIBC_[0-9][0-9.]*' | sort -uV | tail -n1)
    say "Linux program: $(find "$setup/lib" -type f | wc -l) libraries and ${#items[@]}" \
        "plug-ins beside it; from the system: $(printf '%s\n' "${SYSTEM_LIB[@]}" | sort -u \
            | paste -sd ' '); needs ${LINUX_GLIBC/_/ } or newer"
}

# --- the archive's folder -------------------------------------------------------------------------
# lay_out_release <folder> <data folder> <ds.conf> [Linux program]: both programs in Setup/ (the
# Linux one only when given), one qt.conf that points both at the plug-in folders beside them and
# no further (Qt would otherwise also try a system Qt's plug-ins of another version), ds.conf
# without its dataDir, the slide show pictures and extras it names by a relative path, and the data
# as GameFiles/.
lay_out_release() {
    local dest=$1 data=$2 conf=$3 linux=${4:-} name plugins
    [ -d "$data" ] || fail "no data folder $data"
    [ -f "$conf" ] || fail "no ds.conf at $conf"
    mapfile -t plugins < <(plugin_items "${PROGRAM_PLUGINS[@]}")
    rm -rf "$dest"
    gather "$dest/Setup" "$BUILD/DuskmereSetup.exe" "${plugins[@]}"
    [ -z "$linux" ] || gather_linux "$dest/Setup" "$linux"
    printf '[Paths]\nPrefix = .\nPlugins = .\n' >"$dest/Setup/qt.conf"
    # The data lies where the default looks, whatever the sample points to.
    sed '/^[[:space:]]*datadir[[:space:]]*=/Id' "$conf" >"$dest/Setup/ds.conf"
    sed -n 's/^[[:space:]]*\(File\|URL\)[0-9]*[[:space:]]*=[[:space:]]*//p' "$conf" | tr -d '\r"' \
        | while read -r name; do
            [ -f "$(dirname "$conf")/$name" ] || continue
            mkdir -p "$dest/Setup/$(dirname "$name")"
            cp "$(dirname "$conf")/$name" "$dest/Setup/$name"
        done
    cp -r "$data" "$dest/GameFiles"
}

# zip_release <folder> <zip>: the folder's Setup/ and GameFiles/ as a zip that keeps Unix modes.
zip_release() {
    rm -f "$2"
    (cd "$1" && zip -qr -X "$2" Setup GameFiles)
}
