# Shared by the scripts: locale, package lists and the Linux build.
# shellcheck shell=bash

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
LINUX_PACKAGES=(qt6-base-dev qt6-base-dev-tools zlib1g-dev cmake g++ ninja-build liblnk-utils
    desktop-file-utils libglib2.0-bin)
# The screen-reader walk (tests/atspi): a virtual display, D-Bus, the accessibility bus and its
# Python client.
LINUX_PACKAGES+=(xvfb dbus at-spi2-core python3-pyatspi)
# The sanitizer builds and the fuzz harnesses (scripts/test-sanitizers.sh, scripts/fuzz.sh).
SANITIZER_PACKAGES=(clang libclang-rt-14-dev libtsan2)
BUILD=${BUILD:-$ROOT/build}

# Whatever the caller's locale, file names are UTF-8 for everything the scripts start: without a
# locale Qt and Wine turn every non-ASCII character of a file name into "?".
export LANG=C.UTF-8 LC_ALL=C.UTF-8
unset LANGUAGE

# build_linux <target>...: configures the one build folder that the demo and the test command
# share (warnings are errors in both, so neither undoes the other's build) and builds the targets
# named, or everything without a name.
build_linux() {
    local targets=()
    [ $# -gt 0 ] && targets=(--target "$@")
    local started=$SECONDS
    cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DDUSKMERE_WERROR=ON >/dev/null
    cmake --build "$BUILD" -j "$(nproc)" "${targets[@]}"
    echo "== built ${*:-everything} in $BUILD in $((SECONDS - started)) s"
}
