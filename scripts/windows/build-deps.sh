#!/usr/bin/env bash
# Cross-builds the plug-in's libraries for Windows from Debian's own source packages
# (cpprestsdk, patched from scripts/windows/patches, and PCRE2) into a cache outside the
# clone, and prints their install prefixes as a CMake list.
#   scripts/windows/build-deps.sh <i686|x86_64>
# Each library's cache entry is keyed by its version and by the patches, build files and
# options that shape it: a second run returns at once, a changed patch builds afresh.
# PLINTHAR_CACHE moves the cache.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
arch=${1:?usage: build-deps.sh <i686|x86_64>}
case "$arch" in i686 | x86_64) ;; *) echo "unknown architecture: $arch" >&2; exit 2 ;; esac
triplet=$arch-w64-mingw32
source "$root/scripts/windows/common.sh"
toolchain=$root/cmake/windows/toolchain-$triplet.cmake

# cross_build <name> <upstream version> <files shaping it…> -- <CMake options…>
# Builds Debian's source package <name> at that upstream version unless the cache has it;
# the prefix is left in $built_prefix. Patches scripts/windows/patches/<name>-*.patch apply.
cross_build() {
    local name=$1 version=$2
    shift 2
    local shaping=()
    while [ "$1" != "--" ]; do shaping+=("$1"); shift; done
    shift
    local options=(-DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release
        -DBUILD_SHARED_LIBS=OFF -DCMAKE_CXX_FLAGS=-w -DCMAKE_C_FLAGS=-w "$@")
    local patches=("$root"/scripts/windows/patches/"$name"-*.patch)
    [ -e "${patches[0]}" ] || patches=()
    local key
    key=$( (cat "${patches[@]}" "${shaping[@]}" "$root"/cmake/windows/mingw-common.cmake "$toolchain"
        printf '%s\n' "$version" "${options[@]#*$root}") | sha256sum | cut -c1-16)
    built_prefix=$windows_cache/$name-$version-$key/$arch
    [ -f "$built_prefix/.complete" ] && return 0
    # Another clone may be building the same entry: wait for it, then look again.
    mkdir -p "$(dirname "$built_prefix")"
    exec {lock_fd}>"$built_prefix.lock"
    flock "$lock_fd"
    if [ -f "$built_prefix/.complete" ]; then
        exec {lock_fd}>&-
        return 0
    fi

    local work=$windows_cache/work-$name-$arch-$$
    rm -rf "$built_prefix" "$work"
    mkdir -p "$work"
    local source_dir
    source_dir=$(fetch_debian_source "$name" "$version" "$work")
    for patch in "${patches[@]}"; do patch -d "$source_dir" -p1 --quiet <"$patch"; done
    echo "building $name $version for $triplet" >&2
    cmake -S "$source_dir" -B "$work/build" -G Ninja "${options[@]}" \
        -DCMAKE_INSTALL_PREFIX="$built_prefix" >"$work/configure.log" 2>&1 ||
        { cat "$work/configure.log" >&2; exit 1; }
    cmake --build "$work/build" -j"$(nproc)" >"$work/build.log" 2>&1 ||
        { tail -50 "$work/build.log" >&2; exit 1; }
    cmake --install "$work/build" >/dev/null
    touch "$built_prefix/.complete"
    rm -rf "$work"
    exec {lock_fd}>&-
}

# cpprest includes a few Windows headers by names that mingw-w64 ships in lower case.
caseshim=$windows_cache/caseshim
mkdir -p "$caseshim"
for header in SDKDDKVer.h Strsafe.h VersionHelpers.h Wincrypt.h; do
    ln -sfn "/usr/share/mingw-w64/include/${header,,}" "$caseshim/$header"
done

# Regular expressions: the 8-bit library only, no JIT, as the plug-in uses it.
cross_build pcre2 10.42 -- -DPCRE2_BUILD_PCRE2_8=ON -DPCRE2_BUILD_PCRE2_16=OFF \
    -DPCRE2_BUILD_PCRE2_32=OFF -DPCRE2_BUILD_PCRE2GREP=OFF -DPCRE2_BUILD_TESTS=OFF \
    -DPCRE2_SUPPORT_JIT=OFF -DPCRE2_SUPPORT_LIBBZ2=OFF -DPCRE2_SUPPORT_LIBZ=OFF \
    -DPCRE2_SUPPORT_LIBEDIT=OFF -DPCRE2_SUPPORT_LIBREADLINE=OFF
pcre2_prefix=$built_prefix

# The WebSocket client: ws:// only (no TLS library), the Windows task scheduler, no HTTP
# listener (http.sys does not build with mingw); Boost and websocketpp header-only.
cross_build cpprest 2.10.18 "$root/cmake/windows/cpprest-preseed-notls.cmake" -- \
    -DCMAKE_CXX_STANDARD=14 -DBUILD_TESTS=OFF -DBUILD_SAMPLES=OFF -DWERROR=OFF \
    -DCPPREST_EXCLUDE_COMPRESSION=ON -DCPPREST_EXCLUDE_BROTLI=ON \
    -DCPPREST_HTTP_LISTENER_IMPL=none -DCPPREST_PPLX_IMPL=winpplx \
    -DCMAKE_PROJECT_cpprestsdk_INCLUDE="$root/cmake/windows/cpprest-preseed-notls.cmake" \
    -DWIN_SYSINC="$windows_sysinc" -DWIN_CASESHIM="$caseshim"
cpprest_prefix=$built_prefix

echo "$pcre2_prefix;$cpprest_prefix"
