#!/usr/bin/env bash
# The program imports none of the libraries it loads on first use.
#   check_imports.sh OBJDUMP PellWatcher.exe
set -euo pipefail
imports="$("$1" -p "$2" | sed -n 's/^\s*DLL Name: //p' | tr 'a-z' 'A-Z')"
echo "imports: $(echo $imports)"
# Sound, connection table, dial-up; SChannel and the certificate calls (they
# bring the system's TLS and Kerberos back ends); the file chooser (it brings
# the printing service); the common controls (3 MB once loaded, wanted by the
# settings dialog alone). SSPICLI carries the same calls as SECUR32.
failed=0
for lazy in WINMM.DLL IPHLPAPI.DLL RASAPI32.DLL SECUR32.DLL SSPICLI.DLL CRYPT32.DLL COMCTL32.DLL \
    COMDLG32.DLL; do
    if grep -qx "$lazy" <<<"$imports"; then
        echo "FAIL: $lazy is imported; it is to be loaded on first use"
        failed=1
    fi
done
[ "$failed" = 0 ] && echo "PASS"
exit "$failed"
