#!/usr/bin/env bash
# Configures a Windows build folder.
#   scripts/windows/configure.sh <i686|x86_64> <folder> [CMake options…]
# The libraries come from scripts/windows/build-deps.sh (cached outside the clone).
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
arch=$1 folder=$2
shift 2
source "$root/scripts/windows/common.sh"
deps=$("$root/scripts/windows/build-deps.sh" "$arch")
cmake -S "$root" -B "$folder" -G Ninja -DCMAKE_BUILD_TYPE="${BUILD_TYPE:-RelWithDebInfo}" \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/windows/toolchain-$arch-w64-mingw32.cmake" \
    -DPLINTHAR_WIN_DEPS="$deps" -DPLINTHAR_WIN_SYSINC="$windows_sysinc" "$@" >/dev/null
