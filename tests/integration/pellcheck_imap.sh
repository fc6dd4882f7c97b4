#!/usr/bin/env bash
# Drives pellcheck against the IMAP side of the private Dovecot server of
# dovecot_fixture.sh:  pellcheck_imap.sh CASE PELLCHECK FIXTURE_DIR
# A PELLCHECK ending in .exe runs under Wine. Exit 77 means "skipped" (no
# IMAP server installed). Mail is delivered as a delivery agent does: written
# to Maildir/tmp and moved into new/ (cur/ with the S flag for mail already
# read on another device).
set -euo pipefail
case_name="$1"
pellcheck="$2"
fixture="$3"
. "$(dirname "${BASH_SOURCE[0]}")/../support/e2e_lib.sh"
[ -s "$fixture/imap_port" ] || { echo "SKIP: no IMAP server (dovecot-imapd)"; exit 77; }
imap_port="$(cat "$fixture/imap_port")"
maildir="$fixture/home/Maildir"
work="$fixture/cases/imap_$case_name"
ini="$work/Zeririvu.ini"
pell_errors="$work/stderr"
SSL_CERT_FILE="$(cat "$fixture/certs_dir")/ca.crt"
export SSL_CERT_FILE
rm -rf "$work"
mkdir -p "$work"

# One run on the case's settings file, and a value of its output.
run_check() { pell_json_run "$pellcheck" "$ini" "$@"; }
field() { pell_json_field "$json" "$@"; }

fail() {
    echo "FAIL ($case_name): $*" >&2
    exit 1
}

# deliver FIRST LAST [FOLDER_DIR [FLAGS]]: messages whose Message-ID and
# subject carry their number; with FLAGS ("S") they land in cur/ as read.
deliver() {
    local n box="${3:-$maildir}" flags="${4:-}" name
    for n in $(seq "$1" "$2"); do
        name="$(printf '%010d' "$n").M${n}P$$.pelltest"
        printf 'Message-ID: <imap%d@pell.test>\r\nFrom: sender%d@pell.test\r\nTo: pelltest@pell.test\r\nSubject: Test %d\r\nDate: Tue, 3 Feb 2004 21:05:%02d +0900\r\n\r\nBody of message %d.\r\n.dotted line\r\n' \
            "$n" "$n" "$n" "$((n % 60))" "$n" | pell_deliver "$box/tmp/$name"
        if [ -n "$flags" ]; then
            mv "$box/tmp/$name" "$box/cur/$name:2,$flags"
        else
            mv "$box/tmp/$name" "$box/new/$name"
        fi
    done
}

# A fresh mailbox: no messages, no folders, and Dovecot's index and UID list
# gone, so that the folder starts over with a new UIDVALIDITY.
reset_mailbox() {
    pell_clear_mailbox "$maildir"
    find "$maildir" -mindepth 1 -maxdepth 1 \( -name '.*' -o -name 'dovecot*' \) -exec rm -rf {} +
    sleep 1.1  # UIDVALIDITY is taken from the clock in seconds
}

# write_ini [KEY=VALUE ...]: one IMAP account "Home" on the test server.
write_ini() {
    {
        printf '[Poplist]\r\nCount=1\r\nList1=POP1\r\n'
        printf '[POP1]\r\nPopname=Home\r\nServer=127.0.0.1\r\nPort=%s\r\nUser=pelltest\r\n' \
            "$imap_port"
        printf 'Password=%s\r\nProtocol=1\r\nTimeOut=20\r\n' "$(pell_scramble pw-Secret9)"
        local kv
        for kv in "$@"; do printf '%s\r\n' "$kv"; done
    } >"$ini"
}

# check_new NEW SUMMARIES [NEWEST [OLDEST]]: one check and what it found (the
# subjects of the first and last summary).
check_new() {
    run_check
    local found
    found="$(python3 - "$json" <<'PY'
import json, sys
value = json.loads(sys.argv[1].splitlines()[0])
subjects = [s["subject"] for s in value["summaries"]] or [""]
print(value["protocol"], value["status"], value["new"], len(value["summaries"]), subjects[0],
      subjects[-1], sep="|")
PY
)"
    local status=0
    [ "$1" = 0 ] || status=-6
    pell_expect "exit code" "$status_code" 0
    pell_expect "protocol|status|new|summaries|newest|oldest" "$found" \
        "imap|$status|$1|$2|${3:-}|${4:-${3:-}}"
}

# Nothing was marked as read or deleted: every message delivered unread is
# still unread (Dovecot keeps the flags in the file names).
expect_untouched() {
    local read
    read="$(find "$maildir/cur" "$maildir/new" -type f -name '*:2,*S*' | wc -l)"
    pell_expect "messages marked as read" "$read" "$1"
}

# The Windows build runs the same cases (NAME_wine) with pellcheck.exe.
case "${case_name%_wine}" in
counts)
    # The first check announces everything unread and summarises the newest;
    # later checks count from the UIDNEXT it stored.
    reset_mailbox
    deliver 1 50
    deliver 51 51 "$maildir" S
    write_ini
    check_new 50 1 "Test 50"
    pell_expect "count" "$(field count)" 51
    pell_expect "stored UIDNEXT" "$(pell_ini_get "$ini" ImapUidNext)" 52
    pell_expect Mesid "$(pell_ini_get "$ini" Mesid)" "<imap50@pell.test>,"
    validity="$(pell_ini_get "$ini" ImapUidValidity)"
    check_new 0 0
    deliver 52 52
    check_new 1 1 "Test 52"
    deliver 53 102
    check_new 50 50 "Test 102" "Test 53"
    deliver 103 153
    check_new 51 50 "Test 153" "Test 104"
    check_new 0 0
    expect_untouched 1
    # A folder that starts over with a new UIDVALIDITY is checked as if for
    # the first time.
    reset_mailbox
    deliver 1 2
    check_new 2 1 "Test 2"
    [ "$(pell_ini_get "$ini" ImapUidValidity)" != "$validity" ] || fail "UIDVALIDITY did not change"
    ;;
seen)
    # Mail already read on another device is not announced.
    reset_mailbox
    deliver 1 2 "$maildir" S
    deliver 3 3
    write_ini
    check_new 1 1 "Test 3"
    deliver 4 5 "$maildir" S
    deliver 6 6
    deliver 7 7 "$maildir" S
    check_new 1 1 "Test 6"
    expect_untouched 5
    ;;
folder)
    # A Japanese folder name, typed in Shift_JIS, sent in modified UTF-7.
    reset_mailbox
    box="$maildir/.&TtVOiw-"
    mkdir -p "$box/cur" "$box/new" "$box/tmp"
    chown -R pellmail:pellmail "$box"
    deliver 1 2 "$box"
    deliver 3 3
    write_ini
    pell_ini_set "$ini" Folder "仕事"
    check_new 2 1 "Test 2"
    pell_ini_set "$ini" Folder "存在しない"
    run_check
    pell_expect "exit code" "$status_code" 1
    pell_expect "missing folder" "$(field status)" 22
    ;;
starttls | implicit_tls)
    reset_mailbox
    deliver 1 2
    write_ini
    pell_ini_set "$ini" Server localhost
    case "$case_name" in
    implicit*)
        pell_ini_set "$ini" Port "$(cat "$fixture/imaps_port")"
        pell_ini_set "$ini" Security 2
        ;;
    *) pell_ini_set "$ini" Security 1 ;;
    esac
    check_new 2 1 "Test 2"
    pell_expect protocol "$(field tls_protocol | cut -c1-5)" "TLSv1"
    pell_expect fingerprint "$(field certificate_fingerprint)" \
        "$(cat "$(cat "$fixture/certs_dir")/localhost.sha256")"
    ;;
wrong_password)
    write_ini
    pell_ini_set "$ini" Password "$(pell_scramble wrong)"
    run_check
    pell_expect "exit code" "$status_code" 1
    pell_expect status "$(field status)" 12
    ;;
watch)
    # pellcheck stays in IDLE and prints a line for each delivery.
    reset_mailbox
    deliver 1 1
    write_ini
    run_check
    out="$work/watch.out"
    # In a process group of its own, so that it ends with the test.
    export pellcheck ini
    SSL_CERT_FILE="$(cat "$fixture/certs_dir")/ca.crt" setsid bash -c \
        '. "$0"; pell_pellcheck "$pellcheck" "$ini" --watch --account Home --json' \
        "$pell_root/tests/support/e2e_lib.sh" >"$out" 2>"$work/stderr" &
    watcher=$!
    trap 'kill -- -"$watcher" 2>/dev/null || true' EXIT
    trap 'exit 1' INT TERM
    sleep 3
    start="$(date +%s%N)"
    deliver 2 3
    for _ in $(seq 300); do
        [ -s "$out" ] && break
        sleep 0.1
    done
    [ -s "$out" ] || fail "no line after a delivery ($(cat "$work/stderr"))"
    echo "announced $((($(date +%s%N) - start) / 1000000)) ms after the delivery"
    json="$(head -n 1 "$out" | tr -d '\r')"
    pell_expect "watched new and newest" "$(field new),$(field summaries.0.subject)" "2,Test 3"
    deliver 4 4
    for _ in $(seq 300); do
        [ "$(wc -l <"$out")" -ge 2 ] && break
        sleep 0.1
    done
    json="$(sed -n 2p "$out" | tr -d '\r')"
    pell_expect "second delivery" "$(field summaries.0.subject)" "Test 4"
    ;;
*)
    fail "unknown case"
    ;;
esac
echo "ok ($case_name)"
