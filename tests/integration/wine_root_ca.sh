#!/usr/bin/env bash
# Adds the test CA to the Root store of the test Wine prefix, or removes it:
#   wine_root_ca.sh add|remove CERT_DIR root_store_tool.exe
# Removing a certificate through the store does not last under Wine, so the
# registry key that holds it is deleted.
set -euo pipefail
action="$1"
certs="$2"
tool="$3"
. "$(dirname "${BASH_SOURCE[0]}")/../support/e2e_lib.sh"
pell_wine
sha1="$(openssl x509 -in "$certs/ca.crt" -noout -fingerprint -sha1 | sed 's/.*=//; s/://g')"
key="HKCU\\Software\\Microsoft\\SystemCertificates\\Root\\Certificates\\$sha1"
case "$action" in
add)
    wine "$tool" "$(winepath -w "$certs/ca.der" 2>/dev/null)"
    wine reg query "$key" >/dev/null 2>&1 || { echo "the test CA is not in the Root store" >&2; exit 1; }
    ;;
remove)
    wine reg delete "$key" /f >/dev/null 2>&1 || true
    if wine reg query "$key" >/dev/null 2>&1; then
        echo "the test CA is still in the Root store" >&2
        exit 1
    fi
    ;;
esac
