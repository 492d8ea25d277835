# Shared by the scripts: package lists and the Linux build.
# shellcheck shell=bash

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
LINUX_PACKAGES=(qt6-base-dev qt6-base-dev-tools cmake g++ ninja-build liblnk-utils)
# The sanitizer builds and the fuzz harnesses (scripts/test-sanitizers.sh, scripts/fuzz.sh).
SANITIZER_PACKAGES=(clang libclang-rt-14-dev libasan8 libubsan1 libtsan2)

# build_linux <build folder> [cmake options...]
build_linux() {
    local dir=$1
    shift
    cmake -S "$ROOT" -B "$dir" -G Ninja "$@" >/dev/null
    cmake --build "$dir" -j "$(nproc)"
}
