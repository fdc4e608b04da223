#!/bin/bash
# Runs inside the emulated machine: function7's round trip (an info label asked of the
# 32-bit Kodi simulator) through the 32-bit DLL under 32-bit Wine and through the 64-bit
# DLL under 64-bit Wine, on the same emulated processor, so that the two can be compared.
#   guest_round_trip.sh <clone> <out file> [calls]
set -uo pipefail
clone=$1 out=$2 calls=${3:-300}
port=9291
wine "$clone/build-win32/plinthar-kodi-sim.exe" --port "$port" --quiet >/dev/null 2>&1 &
sim=$!
for _ in $(seq 1 600); do
    (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null && break
    sleep 0.2
done
{
    echo -n "32-bit DLL, 32-bit Wine, emulated: "
    wine "$clone/build-win32/plinthar-dll-round-trip.exe" "Z:$clone/build-win32/plinthar.dll" \
        "$port" "$calls" 2>&1 | tr -d '\r'
    # A 64-bit prefix of its own, made now: the image keeps only the 32-bit one.
    (
        export WINEARCH=win64 WINEPREFIX=/tmp/wineprefix-win64
        /usr/lib/wine/wine64 wineboot -i >/dev/null 2>&1
        echo -n "64-bit DLL, 64-bit Wine, emulated: "
        /usr/lib/wine/wine64 "$clone/build-win64/plinthar-dll-round-trip.exe" \
            "Z:$clone/build-win64/plinthar.dll" "$port" "$calls" 2>&1 | tr -d '\r'
        wineserver -k
    )
} | tee "$out"
kill "$sim" 2>/dev/null
wait "$sim" 2>/dev/null
exit 0
