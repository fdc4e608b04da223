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
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    sudo_cmd=""
    [ "$(id -u)" -eq 0 ] || sudo_cmd="sudo"
    export DEBIAN_FRONTEND=noninteractive
    $sudo_cmd apt-get update -qq
    $sudo_cmd apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
