#!/usr/bin/env bash
# Installs everything the project builds, tests and benchmarks with, from Debian packages.
# Safe to run again: apt-get skips what is already there.
set -euo pipefail
packages=(
    g++ cmake ninja-build ccache pkg-config
    libcpprest-dev libboost-dev libssl-dev libpcre2-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    clang libclang-rt-14-dev
    procps iproute2 python3
)
source "$(dirname "$0")/install-packages.sh"
install_packages "${packages[@]}"
