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
    implicit | address) echo implicit localhost 2 - 20 0 ;;
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
    *) echo unknown ;;
    esac
)"
[ "$mode" != unknown ] || fail "unknown case"

python3 "$here/tls_pop3_server.py" "$mode" "$certs/$cert.crt" "$certs/$cert.key" "$work" \
    2>"$work/server.log" &
# The server's own id: python3 may be a launcher that runs it as a child.
trap 'kill "$(cat "$work/pid" 2>/dev/null)" 2>/dev/null || true' EXIT
pell_wait_file "$work/port" 10 || fail "the scripted server did not start: $(cat "$work/server.log")"

# A pin as a person might paste it: lower case with colons.
pin_text=""
if [ "$pin" != - ]; then
    pin_text="$(sed 's/../&:/g; s/:$//' "$certs/$pin.sha256" | tr 'A-F' 'a-f')"
fi
# "address" checks the certificate's IP address (Wine cannot, see the README).
server=localhost
[ "$case_name" = address ] && server=127.0.0.1
ini="$work/Zeririvu.ini"
printf '[Poplist]\r\nCount=1\r\nList1=POP1\r\n[POP1]\r\nPopname=Home\r\nServer=%s\r\n' "$server" >"$ini"
printf 'Port=%s\r\nSecurity=%s\r\nCertFingerprint=%s\r\nUser=pelltest\r\nPassword=\r\nTimeOut=%s\r\n' \
    "$(cat "$work/port")" "$security" "$pin_text" "$timeout" >>"$ini"

options=(--json)
[ "$case_name" = show_certificate ] && options=(--show-certificate --account Home --json)
set +e
# For pellcheck on Linux; under Wine the test CA is in the prefix's Root store.
json="$(SSL_CERT_FILE="$certs/ca.crt" SSL_CERT_DIR="$work" \
    pell_pellcheck "$pellcheck" "$ini" "${options[@]}" 2>"$work/stderr")"
set -e
json="${json//$'\r'/}"

field() {
    python3 -c 'import json, sys; print(json.loads(sys.argv[2].splitlines()[0]).get(sys.argv[1], ""))' \
        "$1" "$json" 2>/dev/null || fail "no JSON line: '$json' $(cat "$work/stderr")"
}
[ "$(field status)" = "$expected" ] ||
    fail "status $(field status), expected $expected (output: $json; $(cat "$work/stderr"))"
if grep -Eiq '^plain (USER|PASS|APOP)' "$work/transcript" 2>/dev/null; then
    fail "a login command went out in the clear"
fi
case "$expected:$mode" in
0:*) grep -q '^tls PASS' "$work/transcript" || fail "no login over TLS" ;;
19:*) [ "$(field certificate_fingerprint)" = "$(cat "$certs/$cert.sha256")" ] ||
    fail "fingerprint of the refused certificate: '$(field certificate_fingerprint)'" ;;
esac
if [ "$case_name" = show_certificate ]; then
    field certificate_subject | grep -q "localhost" || fail "subject: $(field certificate_subject)"
fi
[ "$mode" = stls ] && ! grep -q '^plain STLS' "$work/transcript" && fail "STLS was not sent"
echo "ok ($case_name)"
