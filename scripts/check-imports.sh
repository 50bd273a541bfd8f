#!/bin/bash
# check-imports.sh FILE...: fails unless every DLL the files import comes with Windows itself,
# so the statically linked programs run on a clean Windows.
set -euo pipefail
SYSTEM_DLLS="advapi32.dll comctl32.dll comdlg32.dll gdi32.dll kernel32.dll msvcrt.dll ole32.dll oleaut32.dll rpcrt4.dll shell32.dll user32.dll"
OBJDUMP="${OBJDUMP:-i686-w64-mingw32-objdump}"
status=0
for file in "$@"; do
    imports=$("$OBJDUMP" -p "$file" | sed -n 's/^\s*DLL Name: //p' | tr 'A-Z' 'a-z')
    if [ -z "$imports" ]; then
        echo "$file: no import table found" >&2
        status=1
    fi
    for dll in $imports; do
        case " $SYSTEM_DLLS " in
            *" $dll "*) ;;
            *) echo "$file imports $dll, which is not a system DLL" >&2; status=1 ;;
        esac
    done
    echo "$file: $(echo $imports | tr '\n' ' ')"
done
exit $status
