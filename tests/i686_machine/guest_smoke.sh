#!/bin/bash
# Runs inside the emulated machine: the 32-bit terminal host loads the 32-bit plug-in from
# a host folder, as a user installs it, against the 32-bit Kodi simulator, for <seconds>.
# Leaves the host's --plain frames, its status and error output, the plug-in's log and the
# simulator's output in <out>; check_smoke.sh judges them.
#   guest_smoke.sh <build folder> <out> <seconds>
set -uo pipefail
build=$1 out=$2 seconds=$3
here=$(cd "$(dirname "$0")" && pwd)
folder=/tmp/host
mkdir -p "$folder/plugins" "$out"
cp "$build/plinthar-host.exe" "$folder/"
cp "$build/plinthar.dll" "$folder/plugins/"
printf '%s\r\n' "// the 32-bit smoke run" "port=9090" "kodiexe=plinthar-kodi-sim.exe" \
    "connect_delay=1" "logging=1" >"$folder/plugins/plinthar.cfg"

started=$SECONDS
wine "$build/plinthar-kodi-sim.exe" --port 9090 >"$out/sim.log" 2>&1 &
sim=$!
for _ in $(seq 1 600); do
    (exec 3<>/dev/tcp/127.0.0.1/9090) 2>/dev/null && break
    sleep 0.2
done
echo "smoke: simulator listening after $((SECONDS - started)) s"
(cd "$folder" && wine plinthar-host.exe --plain --folder . --plugin 'plugins\plinthar.dll' \
    --screen "Z:$here/smoke.screen" --height 4 --seconds "$seconds") \
    >"$out/frames.txt" 2>"$out/host.err"
echo "$?" >"$out/host.status"
echo "smoke: host ended with status $(cat "$out/host.status") after $((SECONDS - started)) s"
kill "$sim" 2>/dev/null
wait "$sim" 2>/dev/null
cp "$folder/plugins/plinthar.log" "$out/" 2>/dev/null
exit 0
