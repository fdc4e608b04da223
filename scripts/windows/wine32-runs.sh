#!/usr/bin/env bash
# Tells whether 32-bit Windows programs run on this machine: exit status 0 when a small
# 32-bit Windows program has run under 32-bit Wine and printed what it should; otherwise
# exit status 1 and one line on standard output saying why not. Whether wine32:i386
# installs proves nothing: some machines cannot execute 32-bit x86 code at all.
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
source "$root/scripts/windows/common.sh"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# A kernel that refuses 32-bit programs is asked first, with a 32-bit Linux program of
# three instructions: no 32-bit Wine can run there, so nothing is installed for it.
printf '.globl _start\n_start:\n movl $1, %%eax\n xorl %%ebx, %%ebx\n int $0x80\n' >"$work/exit.s"
if as --32 -o "$work/exit.o" "$work/exit.s" 2>/dev/null &&
    ld -m elf_i386 -o "$work/exit32" "$work/exit.o" 2>/dev/null; then
    if ! error=$("$work/exit32" 2>&1); then
        echo "this machine cannot execute 32-bit x86 programs (${error##*: })"
        exit 1
    fi
fi

if ! "$root/scripts/windows/install-wine32.sh" >"$work/install.log" 2>&1; then
    echo "32-bit Wine (wine32:i386) cannot be installed: $(grep -m1 -v '^ *$' "$work/install.log" | sed 's/^ *//')"
    exit 1
fi
if ! i686-w64-mingw32-gcc -O2 -static -o "$work/probe32.exe" "$root/scripts/windows/probe32.c" \
    2>"$work/build.log"; then
    echo "the 32-bit probe program does not build: $(head -1 "$work/build.log")"
    exit 1
fi
export WINEPREFIX=$(wine_prefix probe32) WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
output=$(timeout 300 /usr/bin/wine "$work/probe32.exe" </dev/null 2>&1)
status=$?
timeout 30 /usr/bin/wineserver -k >/dev/null 2>&1 || true
if ! grep -qx 'plinthar-probe 32-bit' <<<"${output//$'\r'/}"; then
    reason=$(grep -m1 -v '^ *$' <<<"$output")
    [ "$status" -eq 124 ] && reason="it did not end within 300 s"
    echo "a 32-bit Windows program does not run under 32-bit Wine here (${reason:-no output, status $status})"
    exit 1
fi
exit 0
