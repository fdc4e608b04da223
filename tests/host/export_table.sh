#!/usr/bin/env bash
# The DLL's export table holds exactly the host's entry points (decorated stdcall names on
# 32-bit Windows, plain names on 64-bit) and the library's own C++ functions, and it
# imports only system DLLs (the C++ runtime, libgcc and winpthread are linked in).
#   export_table.sh <objdump> <plinthar.dll> <i686|x86_64>
set -eu
objdump=$1 dll=$2 arch=$3
table=$("$objdump" -p "$dll")
actual=$(printf '%s\n' "$table" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' |
    sed -n 's/^\s*\[ *[0-9]*\] //p' | sort)
expected=$(
    for name in SmartieInit SmartieFini GetMinRefreshInterval is_kodi_running SmartieInfo \
        SmartieDemo; do
        if [ "$arch" = i686 ]; then echo "_${name}@0"; else echo "$name"; fi
    done
    for i in 1 2 3 4 5 6 7 8 9 10 11; do
        if [ "$arch" = i686 ]; then echo "_function${i}@8"; else echo "function$i"; fi
    done
    # init_config, init_logging, ws_connect, ws_close, start_listen, the two ws_send_wait
    # and display, under their mangled names.
    echo _Z11init_configv
    echo _Z12init_loggingv
    echo _Z10ws_connectv
    echo _Z8ws_closev
    echo _Z12start_listenv
    echo _Z12ws_send_waitN3web4json5valueE
    echo _Z12ws_send_waitRKNSt7__cxx1112basic_stringIwSt11char_traitsIwESaIwEEEN3web4json5valueE
    echo _Z7displayN3web4json5valueENSt7__cxx1112basic_stringIwSt11char_traitsIwESaIwEEE
)
expected=$(printf '%s\n' "$expected" | sort)
if [ "$actual" != "$expected" ]; then
    echo "export table differs (< expected, > actual):"
    diff <(echo "$expected") <(echo "$actual") || true
    exit 1
fi
imports=$(printf '%s\n' "$table" | sed -n 's/^\s*DLL Name: //p' | sort -u)
for dll_name in $imports; do
    case "$(echo "$dll_name" | tr 'A-Z' 'a-z')" in
        kernel32.dll | msvcrt.dll | ws2_32.dll | crypt32.dll | advapi32.dll | user32.dll | \
            bcrypt.dll | winhttp.dll | mswsock.dll | ntdll.dll) ;;
        *) echo "imports a DLL that is not the system's: $dll_name"; exit 1 ;;
    esac
done
echo "exports: $(echo "$actual" | wc -l), imports: $(echo $imports)"
