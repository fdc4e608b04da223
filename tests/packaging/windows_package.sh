#!/usr/bin/env bash
# Unpacks one Windows package and checks it: its files, the architecture of its DLL and
# programs, the DLL's export names, and that plugins\plinthar.txt is the text the DLL's
# SmartieDemo returns.
#   windows_package.sh <zip> <i686|x86_64>
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
zip_file=$(realpath "$1") arch=$2
case "$arch" in
    i686) format=pei-i386 ;;
    x86_64) format=pei-x86-64 ;;
    *) echo "unknown architecture: $arch" >&2; exit 2 ;;
esac
objdump=$arch-w64-mingw32-objdump
unpacked=$(mktemp -d)
trap 'rm -rf "$unpacked"' EXIT
unzip -q "$zip_file" -d "$unpacked"
cd "$unpacked"

expected="README-windows.txt
four-rows.screen
plinthar-host.exe
plinthar-kodi-sim.exe
plugins/plinthar.cfg
plugins/plinthar.dll
plugins/plinthar.txt"
actual=$(find . -type f | sed 's|^\./||' | LC_ALL=C sort)
if [ "$actual" != "$expected" ]; then
    echo "$zip_file: files differ (< expected, > actual):"
    diff <(echo "$expected") <(echo "$actual") || true
    exit 1
fi
for file in plugins/plinthar.dll plinthar-host.exe plinthar-kodi-sim.exe; do
    "$objdump" -f "$file" | grep -q "file format $format" ||
        { echo "$zip_file: $file is not $format"; exit 1; }
done
bash "$here/../host/export_table.sh" "$objdump" plugins/plinthar.dll "$arch" >/dev/null
# Windows line ends in the texts a user opens.
for file in README-windows.txt plugins/plinthar.cfg plugins/plinthar.txt four-rows.screen; do
    if grep -q $'[^\r]$' "$file" || grep -q $'^$' "$file"; then
        echo "$zip_file: $file has lines not ended by CR LF"
        exit 1
    fi
done
# SmartieDemo returns a static text: the file's bytes, NUL-terminated, stand in the DLL.
python3 - plugins/plinthar.txt plugins/plinthar.dll <<'PYTHON'
import sys
text, dll = (open(name, "rb").read() for name in sys.argv[1:3])
if len(text) < 1000 or text + b"\0" not in dll:
    sys.exit(sys.argv[1] + " is not the text of the DLL's SmartieDemo")
PYTHON
echo "$(basename "$zip_file"): $arch, $(wc -c <"$zip_file") bytes, files, exports and help text checked"
