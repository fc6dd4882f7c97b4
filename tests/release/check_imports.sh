#!/usr/bin/env bash
# The program imports none of the libraries it loads on first use.
#   check_imports.sh OBJDUMP PellWatcher.exe
set -euo pipefail
imports="$("$1" -p "$2" | sed -n 's/^\s*DLL Name: //p' | tr 'a-z' 'A-Z')"
echo "imports: $(echo $imports)"
for lazy in WINMM.DLL IPHLPAPI.DLL RASAPI32.DLL; do
    if grep -qx "$lazy" <<<"$imports"; then
        echo "FAIL: $lazy is imported; it is to be loaded on first use"
        exit 1
    fi
done
echo "PASS"
