#!/usr/bin/env bash
# Checks the release archive as a Linux player meets it: unpacked in a fresh Debian root that holds
# only what every desktop has (glibc, the X and GL client libraries, fontconfig and FreeType,
# GLib, D-Bus, and a font), `ldd` must find every library of Setup/DuskmereSetup and of its
# plug-ins, and the program, started from Setup/ as a file manager starts it, must walk an
# installation of the mod on a virtual display with the Enter key and end with exit code 0, the
# mod's files installed whole.
#
# Usage: bash scripts/check-release.sh [zip]
#   zip  the archive (default: DuskmereSetup.zip in the build folder, made by scripts/package.sh
#        when it is not there)
# Environment (all optional):
#   DEBIAN_SUITE   the Debian release of the root (default: bookworm, whose glibc 2.36 is the
#                  oldest the program runs on)
#   DEBIAN_MIRROR  where debootstrap fetches it (default: the Debian mirror this machine's apt
#                  uses; without one, and without this, the check is skipped)
#   ROOT_CACHE     a tar file of the root: made after debootstrap when missing, unpacked
#                  instead of running debootstrap when there (saves its five minutes)
#   KEEP_SCRATCH=1 keep the root and the world for a look afterwards
#
# It needs root, debootstrap and the right to mount; where one of them is missing it says so and
# exits 0 without checking anything.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
source "$ROOT/scripts/xvfb.sh"
source "$ROOT/scripts/world.sh"
STARTED=$SECONDS
took() { echo "$((SECONDS - $1)) s"; }
skip() {
    echo "== release check skipped: $*"
    exit 0
}
fail() {
    echo "== FAILED: release check: $*" >&2
    exit 1
}

[ "$(id -u)" -eq 0 ] || skip "it needs root (debootstrap, chroot, mount)"
bash "$ROOT/scripts/install-deps.sh" debootstrap xvfb xdotool unzip \
    || skip "debootstrap, Xvfb or xdotool cannot be installed here"
ZIP=${1:-$BUILD/DuskmereSetup.zip}
if [ ! -f "$ZIP" ]; then
    [ $# -eq 0 ] || fail "no archive $ZIP"
    ZIP=$(bash "$ROOT/scripts/package.sh" | tail -n1)
fi
ZIP=$(realpath "$ZIP")
SUITE=${DEBIAN_SUITE:-bookworm}
MIRROR=${DEBIAN_MIRROR:-$(sed -n 's|^URIs: *\(https\?://[^ ]*/debian\)/\?$|\1|p' \
    /etc/apt/sources.list.d/*.sources 2>/dev/null | head -n1)}
[ -n "$MIRROR" ] || skip "no Debian mirror in /etc/apt/sources.list.d/*.sources, none named" \
    "by DEBIAN_MIRROR"
# What a desktop brings, and nothing that would hide a library the archive lacks. xkb-data
# comes with every X server; a font lets Qt draw its text.
BASE=(libx11-6 libx11-xcb1 libxcb1 libxcb-randr0 libxcb-render0 libxcb-shape0 libxcb-shm0
    libxcb-sync1 libxcb-xfixes0 libxcb-xinput0 libxcb-xkb1 libxcb-glx0 libxext6 libxrender1 libsm6
    libice6 libgl1 libegl1 libopengl0 libfontconfig1 libfreetype6 libglib2.0-0 libdbus-1-3
    fonts-dejavu-core xkb-data)

SCRATCH=$(mktemp -d "${TMPDIR:-/tmp}/duskmere-release-XXXXXX")
DEBIAN=$SCRATCH/root
XVFB_PID=""
cleanup() {
    set +e
    [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null && wait "$XVFB_PID" 2>/dev/null
    for mount in "$DEBIAN/dev/shm" "$DEBIAN/dev" "$DEBIAN/proc" "$DEBIAN"; do
        mountpoint -q "$mount" && umount "$mount"
    done
    if [ "${KEEP_SCRATCH:-0}" = 1 ]; then
        echo "== kept $SCRATCH"
    elif findmnt -rn -o TARGET | grep -qF "$SCRATCH/"; then
        echo "== $SCRATCH still has something mounted; left as it is" >&2
    else
        rm -rf --one-file-system "$SCRATCH"
    fi
}
trap cleanup EXIT

# --- a fresh root with a desktop's base ---------------------------------------------------------
ROOT_STARTED=$SECONDS
if [ -n "${ROOT_CACHE:-}" ] && [ -f "$ROOT_CACHE" ]; then
    echo "== the Debian root from $ROOT_CACHE"
    mkdir "$DEBIAN"
    tar xf "$ROOT_CACHE" -C "$DEBIAN"
else
    echo "== making a Debian $SUITE root (minbase and a desktop's base libraries) from $MIRROR"
    debootstrap --variant=minbase --include="$(
        IFS=,
        echo "${BASE[*]}"
    )" "$SUITE" "$DEBIAN" "$MIRROR" >"$SCRATCH/debootstrap.log" 2>&1 \
        || { tail -n 20 "$SCRATCH/debootstrap.log"; fail "debootstrap"; }
    [ -z "${ROOT_CACHE:-}" ] || tar cf "$ROOT_CACHE" -C "$DEBIAN" .
fi
# The root is a mount of its own, as a real system's is: the free space of a folder comes from
# the mount that holds it, and /proc/self/mountinfo hides every mount outside the root. /proc for
# the program's own use, and /dev of its own: a few nodes and shared memory, never the machine's.
mount --bind "$DEBIAN" "$DEBIAN" 2>/dev/null || skip "cannot mount in this environment"
mount -t proc proc "$DEBIAN/proc" 2>/dev/null || skip "cannot mount /proc in the root here"
mount -t tmpfs -o mode=755 dev "$DEBIAN/dev"
mkdir "$DEBIAN/dev/shm" "$DEBIAN/dev/pts"
mount -t tmpfs -o mode=1777 shm "$DEBIAN/dev/shm"
for node in null:1:3 zero:1:5 full:1:7 random:1:8 urandom:1:9 tty:5:0; do
    IFS=: read -r name major minor <<<"$node"
    mknod -m 666 "$DEBIAN/dev/$name" c "$major" "$minor" || skip "cannot make device nodes here"
done
echo "== root ready in $(took "$ROOT_STARTED"): $(du -sm --one-file-system "$DEBIAN" | cut -f1) MB"

# --- the archive, unpacked as a player unpacks it -------------------------------------------------
unzip -q "$ZIP" -d "$DEBIAN/release"
SETUP=$DEBIAN/release/Setup
[ -x "$SETUP/DuskmereSetup" ] || fail "Setup/DuskmereSetup is missing or not executable"
in_root() { chroot "$DEBIAN" /usr/bin/env -i PATH=/usr/bin:/bin LANG=C.UTF-8 "$@"; }
# The same, for a command started in the background: the process is chroot itself.
exec_in_root() { exec chroot "$DEBIAN" /usr/bin/env -i PATH=/usr/bin:/bin LANG=C.UTF-8 "$@"; }
missing="" from_system=""
while IFS= read -r file; do
    file=/release/Setup/${file#"$SETUP"/}
    out=$(in_root ldd "$file") || fail "ldd $file: $out"
    missing+=$(awk '/not found/ { print $1 }' <<<"$out")$'\n'
    from_system+=$(awk '$2 == "=>" && $3 !~ /^\/release\// { print $1 }' <<<"$out")$'\n'
done < <(find "$SETUP" -type f \( -name DuskmereSetup -o -name '*.so' -o -name '*.so.*' \))
missing=$(sort -u <<<"$missing" | sed '/^$/d' | paste -sd ' ')
[ -z "$missing" ] || fail "libraries that neither Setup/ nor the root holds: $missing"
echo "== ldd finds every library of the program, its libraries and plug-ins; from the root:"
sort -u <<<"$from_system" | sed '/^$/d' | paste -sd ' ' | fold -s -w 96 | sed 's/^/   /'

# --- an installation on a virtual display -----------------------------------------------------------
cp "$ROOT/scripts/world.sh" "$DEBIAN/tmp/world.sh"
in_root bash -c 'source /tmp/world.sh && world_env /world && make_world'
start_xvfb "$SCRATCH" || fail "no virtual display"
RUN_STARTED=$SECONDS
# Started in its own folder, as a file manager starts it, with the variables a session has.
drive_window "$SCRATCH/wizard.log" "" exec_in_root HOME=/world/home WINEPREFIX=/world/home/.wine \
    XDG_CONFIG_HOME=/world/xdg/config XDG_DATA_HOME=/world/xdg/data \
    XDG_CACHE_HOME=/world/xdg/cache XDG_RUNTIME_DIR=/world/xdg/runtime DISPLAY="$DISPLAY" \
    USER=root bash -c 'cd /release/Setup && exec ./DuskmereSetup' \
    || {
        cat "$SCRATCH/wizard.log"
        [ ! -x "$BUILD/tools/duskmere_grab" ] || "$BUILD/tools/duskmere_grab" "$SCRATCH/screen.png"
        fail "the wizard did not walk through an installation (KEEP_SCRATCH=1 keeps a picture)"
    }

# Where the mod landed: where its first file did, less that file's place in the mod.
DATA=$DEBIAN/release/GameFiles
first=$(cd "$DATA" && find . -type f -print -quit)
first=${first#./}
found=$(find "$DEBIAN/world/home" -path "*/$first" -type f -print -quit)
[ -n "$found" ] || fail "none of the mod's files was installed"
INSTALL=${found%/"$first"}
count=0
while IFS= read -r file; do
    cmp -s "$DATA/$file" "$INSTALL/$file" || fail "$file is missing or differs in ${INSTALL#"$DEBIAN"}"
    count=$((count + 1))
done < <(cd "$DATA" && find . -type f | sed 's|^\./||')
echo "== installed in $(took "$RUN_STARTED"): $count files in ${INSTALL#"$DEBIAN"}, each equal" \
    "to the archive's; shortcuts: $(find "$DEBIAN/world" -name '*.lnk' | wc -l) .lnk," \
    "$(find "$DEBIAN/world" -name '*.desktop' | wc -l) launchers"
echo "== the release check took $(took "$STARTED")"
