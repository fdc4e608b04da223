#!/usr/bin/env bash
# Installs, from Debian packages, what the Windows build and its tests under Wine need.
set -euo pipefail
packages=(
    g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix binutils-mingw-w64
    cmake ninja-build dpkg-dev patch
    libboost-dev libwebsocketpp-dev googletest
    wine64 zip unzip
)
source "$(dirname "$0")/../install-packages.sh"
install_packages "${packages[@]}"
