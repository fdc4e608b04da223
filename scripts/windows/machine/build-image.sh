#!/usr/bin/env bash
# Builds the emulated test machine's image from Debian packages only, unless the cache has
# it, and prints its folder (vmlinuz, initrd.img, disk.img). The machine: Debian 12 for
# x86-64 with its own kernel, which runs 32-bit programs, 32-bit Wine (wine32:i386, with a
# 32-bit prefix made at its first start), 64-bit Wine and CTest. The root is made with
# debootstrap and apt on this machine; only what needs a 32-bit CPU runs in the emulator.
#   scripts/windows/machine/build-image.sh [--cached]
# With --cached it only prints the folder of an image already built, or fails.
set -euo pipefail
root=$(cd "$(dirname "$0")/../../.." && pwd)
here=$root/scripts/windows/machine
source "$root/scripts/windows/common.sh"
source "$here/machine.sh"

suite=bookworm
packages=(linux-image-amd64 kmod iproute2 procps cmake wine wine32:i386 wine64)
key=$( (cat "$here/build-image.sh" "$here/guest-init"
    printf '%s\n' "$suite" "$machine_wine_prefix" "${packages[@]}") | sha256sum | cut -c1-16)
image=$machine_cache/$key
if [ -f "$image/.complete" ]; then
    echo "$image"
    exit 0
fi
[ "${1:-}" != --cached ] || exit 1
# Only the image's folder goes to the caller's output: whatever the tools below print (mkfs
# names the file it creates even when quiet) goes to the error output.
exec {path_fd}>&1 1>&2
machine_install_packages
mkdir -p "$machine_cache"
exec {lock_fd}>"$image.lock"
flock "$lock_fd"
if [ -f "$image/.complete" ]; then
    echo "$image" >&$path_fd
    exit 0
fi

started=$SECONDS
work=$image.work
tree=$work/root
cleanup() {
    for mounted in "$tree/proc" "$tree/dev"; do
        mountpoint -q "$mounted" && umount -l "$mounted"
    done
    rm -rf "$work"
}
trap cleanup EXIT
cleanup
mkdir -p "$work"
mirror=$(debian_mirror)

echo "machine image: debootstrap $suite (amd64) from $mirror" >&2
debootstrap --variant=minbase --arch=amd64 "$suite" "$tree" "$mirror" >"$work/debootstrap.log" 2>&1 ||
    { tail -20 "$work/debootstrap.log" >&2; exit 1; }
cat >"$tree/etc/apt/sources.list" <<SOURCES
deb $mirror $suite main
deb $mirror $suite-updates main
deb ${mirror%/debian}/debian-security $suite-security main
SOURCES
# Nothing installed may start a service on this machine.
printf '#!/bin/sh\nexit 101\n' >"$tree/usr/sbin/policy-rc.d"
chmod +x "$tree/usr/sbin/policy-rc.d"
mount -t proc proc "$tree/proc"
mount --bind /dev "$tree/dev"
echo "machine image: installing ${packages[*]}" >&2
in_tree() { chroot "$tree" env DEBIAN_FRONTEND=noninteractive LANG=C.UTF-8 "$@"; }
in_tree dpkg --add-architecture i386
# Scripts of a few i386 packages (glib's module caches) try to run 32-bit programs here
# and say so; they do not fail the installation, and Wine needs none of those caches.
if ! { in_tree apt-get -qq update && in_tree apt-get install -y -qq --no-install-recommends \
    "${packages[@]}"; } >"$work/apt.log" 2>&1; then
    grep -E '^(E|W):' "$work/apt.log" | head -20 >&2
    exit 1
fi
in_tree apt-get clean
umount "$tree/proc" "$tree/dev"
rm -rf "$tree"/var/lib/apt/lists/* "$tree"/usr/share/doc/* "$tree"/usr/share/man/* \
    "$tree"/usr/share/locale/*
install -m 755 "$here/guest-init" "$tree/sbin/plinthar-init"
# debootstrap leaves no hosts file, and without one "localhost" names nothing.
printf '127.0.0.1\tlocalhost\n::1\tlocalhost ip6-localhost ip6-loopback\n127.0.1.1\tplinthar-i686\n' \
    >"$tree/etc/hosts"
cp "$tree"/boot/vmlinuz-* "$work/vmlinuz"
cp "$tree"/boot/initrd.img-* "$work/initrd.img"
# The disk: the tree and room for the Wine prefixes and what the tests write.
size_mb=$(($(du -sm "$tree" | cut -f1) + 3072))
mkfs.ext4 -q -F -L plinthar -d "$tree" "$work/disk.img" "${size_mb}M"
rm -rf "$tree"
echo "machine image: root made in $((SECONDS - started)) s; first start (the 32-bit Wine prefix)" >&2

# The first start makes the 32-bit Wine prefix on the disk itself.
mkdir -p "$work/run"
cat >"$work/run/job" <<JOB
set -eu
export WINEARCH=win32 WINEPREFIX=$machine_wine_prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
mkdir -p "\$(dirname "\$WINEPREFIX")"
wineboot -i
wineserver -w
test -f "\$WINEPREFIX/system.reg"
echo "prefix made after \$(cut -d' ' -f1 /proc/uptime) s"
JOB
if ! machine_writable=1 run_machine "$work" "$work/run" 1800 >"$work/first-start.log"; then
    tail -30 "$work/first-start.log" >&2
    exit 1
fi
rm -rf "$work/run"
e2fsck -fy "$work/disk.img" >/dev/null 2>&1 || [ $? -le 1 ] || { echo "the image's file system is damaged" >&2; exit 1; }
mv "$work" "$image"
touch "$image/.complete"
trap - EXIT
# Images made of something else are of no further use (a machine still running from one
# keeps its open file).
for other in "$machine_cache"/*/.complete; do
    other=$(dirname "$other")
    [ "$other" = "$image" ] || rm -rf "$other" "$other.lock"
done
echo "machine image: ready in $((SECONDS - started)) s ($(du -sh "$image" | cut -f1) in $image)"
echo "$image" >&$path_fd
