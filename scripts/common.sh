# Shared by the scripts: package lists and the Linux build.
# shellcheck shell=bash

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
LINUX_PACKAGES=(qt6-base-dev qt6-base-dev-tools cmake g++ ninja-build liblnk-utils)

# build_linux <build folder> [cmake options...]
build_linux() {
    local dir=$1
    shift
    cmake -S "$ROOT" -B "$dir" -G Ninja "$@" >/dev/null
    cmake --build "$dir" -j "$(nproc)"
}
