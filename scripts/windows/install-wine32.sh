#!/usr/bin/env bash
# Installs 32-bit Wine (wine32:i386) where the Debian archive allows it. Where it does not
# (a mirror whose i386 indexes are broken, packages whose amd64 and i386 versions differ),
# says why, leaves apt as it found it and exits with 1.
set -uo pipefail
installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }
installed wine32:i386 && exit 0
sudo_cmd=""
[ "$(id -u)" -eq 0 ] || sudo_cmd="sudo"
export DEBIAN_FRONTEND=noninteractive
log=$(mktemp)
added=0
if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $sudo_cmd dpkg --add-architecture i386 && added=1
fi
if $sudo_cmd apt-get update -qq >"$log" 2>&1 &&
    $sudo_cmd apt-get install -y -qq --no-install-recommends wine wine32:i386 >>"$log" 2>&1; then
    rm -f "$log"
    exit 0
fi
echo "32-bit Wine cannot be installed here:" >&2
grep -E '^(E|W):|unmet|Depends:|unexpected size' "$log" | head -8 | sed 's/^/    /' >&2
rm -f "$log"
# An i386 architecture whose index cannot be fetched would fail every later apt update.
if [ "$added" -eq 1 ] && ! dpkg-query -W -f='${Architecture}\n' 2>/dev/null | grep -qx i386; then
    $sudo_cmd dpkg --remove-architecture i386
    $sudo_cmd apt-get update -qq >/dev/null 2>&1 || true
fi
exit 1
