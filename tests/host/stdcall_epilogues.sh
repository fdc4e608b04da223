#!/usr/bin/env bash
# Every decorated stdcall export of the 32-bit DLL returns as its name promises: the
# callee removes its arguments, so each return instruction of _name@N pops exactly N bytes
# ("ret $0x8" for _function1@8, a plain "ret" for _SmartieInit@0). A .def file can give
# any function a decorated name; only the code tells whether the host's stack survives.
# An export's code is found through the export table's address; its cold part (where the
# compiler moves exception paths) counts as its own, and a function without a return of
# its own is followed along the jump it ends with.
#   stdcall_epilogues.sh <objdump> <plinthar.dll>
set -euo pipefail
objdump=$1 dll=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$objdump" -p "$dll" >"$work/table"
"$objdump" -d --no-show-raw-insn "$dll" >"$work/code"
image_base=$((16#$(sed -n 's/^ImageBase\s*\([0-9a-fA-F]*\).*/\1/p' "$work/table")))

# Decorated export name -> address, through the name table's index into the address table.
declare -A address_of
while read -r index name; do
    rva=$(sed -n "s/^\s*\[ *$index\] +base\[ *[0-9]*\] *\([0-9a-fA-F]*\) Export RVA.*/\1/p" "$work/table")
    [ -n "$rva" ] && address_of[$name]=$(printf '%x' $((image_base + 16#$rva)))
done < <(sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/s/^\s*\[ *\([0-9]*\)\] \(_[A-Za-z0-9_]*@[0-9]*\)$/\1 \2/p' "$work/table")
[ ${#address_of[@]} -gt 0 ] || { echo "no decorated export in $dll"; exit 1; }

# returns_at <address>…: "<address> <instruction>" for every return and jump of the
# functions at those addresses and of their cold parts.
returns_at() {
    awk -v wanted="$*" '
        BEGIN { n = split(wanted, list, " "); for (i = 1; i <= n; i++) want[list[i]] = 1 }
        /^[0-9a-f]+ </ {
            address = $1; sub(/^0+/, "", address)
            name = $2; gsub(/[<>:]/, "", name)
            current = ""
            if (FNR == NR && (address in want)) start_of[name] = address
            base = name; sub(/\.cold$/, "", base)
            if (base in start_of) current = start_of[base]
            next
        }
        FNR != NR && current != "" && /:\t/ {
            line = $0; sub(/^[^\t]*\t/, "", line); sub(/^(repz|rep) /, "", line)
            gsub(/[ \t]+/, " ", line); sub(/ $/, "", line)
            if (line ~ /^(ret|jmp )/) print current, line
        }' "$work/code" "$work/code"
}

# check <address> <bytes> <depth>: prints what is wrong; status 1 when anything is.
check() {
    local address=$1 bytes=$2 depth=$3 found expected=ret wrong=0
    found=$(grep "^$address " "$work/found" || true)
    [ -n "$found" ] || found=$(returns_at "$address")
    [ "$bytes" -eq 0 ] || expected=$(printf 'ret $0x%x' "$bytes")
    local rets
    rets=$(awk '$2 ~ /^ret/ { $1 = ""; sub(/^ /, ""); print }' <<<"$found")
    if [ -n "$rets" ]; then
        while read -r one; do
            [ "$one" = "$expected" ] || { echo "'$one' where '$expected' belongs"; wrong=1; }
        done <<<"$rets"
        return "$wrong"
    fi
    local target
    target=$(awk '$2 == "jmp" && $4 ~ /^</ { t = $3 } END { print t }' <<<"$found")
    [ -n "$target" ] && [ "$depth" -lt 4 ] || { echo "no return instruction at $address"; return 1; }
    check "${target#0}" "$bytes" $((depth + 1))
}

returns_at "${address_of[@]}" >"$work/found"
checked=0 failed=0
for name in $(printf '%s\n' "${!address_of[@]}" | sort); do
    if problems=$(check "${address_of[$name]}" "${name##*@}" 0); then
        checked=$((checked + 1))
    else
        echo "$name: $(head -3 <<<"$problems")"
        failed=1
    fi
done
[ "$failed" -eq 0 ] || exit 1
echo "stdcall epilogues right in all $checked decorated exports"
