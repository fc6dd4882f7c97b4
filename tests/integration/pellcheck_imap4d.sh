#!/usr/bin/env bash
# pellcheck against a second IMAP server, GNU Mailutils' imap4d, which greets
# with PREAUTH and words its answers its own way:
#   pellcheck_imap4d.sh PELLCHECK WORK_DIR
# Skipped (exit 77) without imap4d or root.
set -euo pipefail
pellcheck="$1"
work="$2"
. "$(dirname "${BASH_SOURCE[0]}")/../support/e2e_lib.sh"
pell_need imap4d setpriv
[ "$(id -u)" = 0 ] || { echo "SKIP: needs root to serve mail as its own user"; exit 77; }
pell_mail_user
mail_user="$pell_mail_user"

rm -rf "$work"
mkdir -p "$work"
# The spool lies where the unprivileged server can reach it wherever WORK is.
# Its mbox form: this server's maildir keeps no flags between sessions.
spool="$(mktemp -d /tmp/pell-imap4d.XXXXXX)"
chmod 755 "$spool"
chown "$mail_user:$mail_user" "$spool"
mbox="$spool/$mail_user"
printf 'logging { syslog false; }\nmailbox { mailbox-type "mbox"; mail-spool "%s"; }\n' \
    "$spool" >"$work/imap4d.conf"
python3 "$pell_root/tests/integration/inetd_server.py" "$work/port" "$mail_user" "$mail_user" \
    /dev/null imap4d --inetd --preauth --config-file="$work/imap4d.conf" &
server=$!
trap 'kill "$server" 2>/dev/null || true; rm -rf "$spool"' EXIT
pell_wait_file "$work/port" 20 || { echo "SKIP: imap4d did not start"; exit 77; }

fail() {
    echo "FAIL (imap4d): $*" >&2
    exit 1
}

# deliver N [STATUS]: appended to the mbox as a delivery agent appends (a
# Status of "RO" marks it read).
deliver() {
    {
        printf 'From sender@pell.test Tue Feb  3 21:05:09 2004\n'
        printf 'Message-ID: <mu%d@pell.test>\nFrom: sender@pell.test\nSubject: Test %d\n' "$1" "$1"
        printf 'Date: Tue, 3 Feb 2004 21:05:09 +0900\n'
        if [ -n "${2:-}" ]; then printf 'Status: %s\n' "$2"; fi
        printf '\nBody %d.\n.dotted\n\n' "$1"
    } >>"$mbox"
    chown "$mail_user:$mail_user" "$mbox"
    chmod 600 "$mbox"
}

ini="$work/Zeririvu.ini"
pell_errors="$work/stderr"
{
    printf '[Poplist]\r\nCount=1\r\nList1=POP1\r\n'
    printf '[POP1]\r\nPopname=Home\r\nServer=127.0.0.1\r\nPort=%s\r\nUser=%s\r\n' \
        "$(cat "$work/port")" "$mail_user"
    printf 'Password=\r\nProtocol=1\r\nTimeOut=20\r\n'
} >"$ini"

# check EXPECTED: "status new summaries newest" of one check.
check() {
    local found
    pell_json_run "$pellcheck" "$ini"
    found="$(pell_json_field "$json" status new summaries summaries.0.subject)"
    [ "$found" = "$1" ] || fail "got '$found', expected '$1' ($json; $(cat "$pell_errors"))"
}

# This server makes up a new UIDVALIDITY for every read-only session, so
# that each check counts as a first one: everything unread is new, and the
# newest is shown.
deliver 1
deliver 2 RO
deliver 3
deliver 4 RO
check "-6 2 1 Test 3"
echo "ok (imap4d)"
