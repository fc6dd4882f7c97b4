#!/usr/bin/env bash
# pellcheck (or pellcheck.exe under Wine) against the scripted TLS server:
#   pellcheck_tls.sh CASE PELLCHECK CERT_DIR WORK_DIR
# Each case starts the server in one mode with one certificate, runs one check
# and compares the status; the server's transcript must never hold a login
# command that came in the clear. On Linux the test CA is trusted through
# SSL_CERT_FILE; under Wine it is in the prefix's Root store (wine_root_ca.sh).
set -euo pipefail
case_name="$1"
pellcheck="$2"
certs="$3"
work="$4/$case_name"
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
. "$here/../support/e2e_lib.sh"
rm -rf "$work"
mkdir -p "$work"

fail() {
    echo "FAIL ($case_name): $*" >&2
    [ -f "$work/transcript" ] && sed 's/^/  server got: /' "$work/transcript" >&2
    exit 1
}

# CASE: server mode, certificate, Security, pin (a certificate name or -),
# TimeOut, expected status.
read -r mode cert security pin timeout expected <<<"$(
    case "$case_name" in
    implicit | address | tls12 | windows10) echo implicit localhost 2 - 20 0 ;;
    stls) echo stls localhost 1 - 20 0 ;;
    self_signed) echo implicit selfsigned 2 - 20 19 ;;
    self_signed_stls) echo stls selfsigned 1 - 20 19 ;;
    other_name) echo implicit other 2 - 20 19 ;;
    pinned_self_signed) echo implicit selfsigned 2 selfsigned 20 0 ;;
    wrong_pin) echo implicit localhost 2 selfsigned 20 19 ;;
    tls_to_plain) echo plain localhost 2 - 20 18 ;;
    stls_refused) echo plain localhost 1 - 20 20 ;;
    closes_in_handshake) echo close-in-handshake localhost 2 - 20 18 ;;
    silent_in_handshake) echo silent localhost 2 - 2 18 ;;
    garbage) echo garbage localhost 2 - 20 18 ;;
    show_certificate) echo implicit selfsigned 2 - 20 19 ;;
    show_wrong_name) echo implicit other 2 - 20 19 ;;
    show_expired) echo implicit expired 2 - 20 19 ;;
    show_hostile) echo implicit hostile 2 - 20 19 ;;
    *) echo unknown ;;
    esac
)"
[ "$mode" != unknown ] || fail "unknown case"

# tls12: a server that offers nothing newer than TLS 1.2.
max_version=""
[ "$case_name" = tls12 ] && max_version=1.2
TLS_MAX_VERSION="$max_version" python3 "$here/tls_pop3_server.py" "$mode" "$certs/$cert.crt" \
    "$certs/$cert.key" "$work" 2>"$work/server.log" &
# The server's own id: python3 may be a launcher that runs it as a child.
trap 'kill "$(cat "$work/pid" 2>/dev/null)" 2>/dev/null || true' EXIT
pell_wait_file "$work/port" 10 || fail "the scripted server did not start: $(cat "$work/server.log")"

# A pin as a person might paste it: lower case with colons.
pin_text=""
if [ "$pin" != - ]; then
    pin_text="$(sed 's/../&:/g; s/:$//' "$certs/$pin.sha256" | tr 'A-F' 'a-f')"
fi
# "address" checks the certificate's IP-address names.
server=localhost
[ "$case_name" = address ] && server=127.0.0.1
ini="$work/Zeririvu.ini"
printf '[Poplist]\r\nCount=1\r\nList1=POP1\r\n[POP1]\r\nPopname=Home\r\nServer=%s\r\n' "$server" >"$ini"
printf 'Port=%s\r\nSecurity=%s\r\nCertFingerprint=%s\r\nUser=pelltest\r\nPassword=\r\nTimeOut=%s\r\n' \
    "$(cat "$work/port")" "$security" "$pin_text" "$timeout" >>"$ini"

# Wine tells the test prefix's programs they run on Windows 7. A copy of
# pellcheck.exe under a name of its own is told Windows 10, where SChannel gets
# the newer credentials with TLS parameters (version 5 in Wine's trace).
if [ "$case_name" = windows10 ] && [[ "$pellcheck" == *.exe ]]; then
    cp "$pellcheck" "$work/pellcheck_win10.exe"
    pellcheck="$work/pellcheck_win10.exe"
    "$pell_root/scripts/wine-run.sh" reg add 'HKCU\Software\Wine\AppDefaults\pellcheck_win10.exe' \
        /v Version /d win10 /f >/dev/null 2>&1
    export WINEDEBUG=+secur32
fi

options=(--json)
case "$case_name" in
show_hostile) options=(--show-certificate --account Home) ;;
show_*) options=(--show-certificate --account Home --json) ;;
esac
set +e
# For pellcheck on Linux; under Wine the test CA is in the prefix's Root store.
json="$(SSL_CERT_FILE="$certs/ca.crt" SSL_CERT_DIR="$work" \
    pell_pellcheck "$pellcheck" "$ini" "${options[@]}" 2>"$work/stderr")"
set -e
json="${json//$'\r'/}"

# The certificate's name as printed for a terminal: no escape sequence gets
# through, and the escape character shows as text.
if [ "$case_name" = show_hostile ]; then
    printf '%s\n' "$json" | grep -q 'status 19' || fail "output: $json"
    if printf '%s' "$json" | grep -q $'\033'; then fail "an escape character was printed"; fi
    printf '%s\n' "$json" | grep -qF 'CN=evil\x1B[2J\x1B[31mred' ||
        fail "subject not shown escaped: $json"
    echo "ok ($case_name)"
    exit 0
fi

# A field of the first JSON line; a list as its items joined by commas.
field() {
    python3 -c '
import json, sys
value = json.loads(sys.argv[2].splitlines()[0]).get(sys.argv[1], "")
print(",".join(value) if isinstance(value, list) else value)' \
        "$1" "$json" 2>/dev/null || fail "no JSON line: '$json' $(cat "$work/stderr")"
}
[ "$(field status)" = "$expected" ] ||
    fail "status $(field status), expected $expected (output: $json; $(cat "$work/stderr"))"
if grep -Eiq '^plain (USER|PASS|APOP)' "$work/transcript" 2>/dev/null; then
    fail "a login command went out in the clear"
fi
if [ "$case_name" = windows10 ] && [[ "$pellcheck" == *.exe ]]; then
    # The last credentials made are the newer ones: no fallback happened.
    grep 'dwVersion =' "$work/stderr" | tail -1 | grep -q 'dwVersion = 5' ||
        fail "the newer credentials were not used: $(grep 'dwVersion =' "$work/stderr")"
fi
case "$expected:$mode" in
0:*)
    grep -q '^tls PASS' "$work/transcript" || fail "no login over TLS"
    protocol="$(field tls_protocol)"
    echo "tls_protocol: $protocol"
    case "$case_name:$protocol" in
    tls12:TLSv1.2) ;;
    tls12:*) fail "a server of TLS 1.2 gave '$protocol'" ;;
    *:TLSv1.2 | *:TLSv1.3) ;;
    *) fail "protocol '$protocol'" ;;
    esac
    ;;
19:*) [ "$(field certificate_fingerprint)" = "$(cat "$certs/$cert.sha256")" ] ||
    fail "fingerprint of the refused certificate: '$(field certificate_fingerprint)'" ;;
esac
# What the trust question shows: the names and every reason for the refusal.
expect_problems() {
    [ "$(field certificate_problems)" = "$1" ] ||
        fail "problems '$(field certificate_problems)', expected '$1'"
}
case "$case_name" in
show_certificate)
    field certificate_subject | grep -q "localhost" || fail "subject: $(field certificate_subject)"
    field certificate_issuer | grep -q "Pell Home" || fail "issuer: $(field certificate_issuer)"
    expect_problems untrusted
    ;;
show_wrong_name)
    field certificate_issuer | grep -q "Pell Test CA" || fail "issuer: $(field certificate_issuer)"
    expect_problems wrong-name
    ;;
show_expired) expect_problems expired ;;
esac
[ "$mode" = stls ] && ! grep -q '^plain STLS' "$work/transcript" && fail "STLS was not sent"
echo "ok ($case_name)"
