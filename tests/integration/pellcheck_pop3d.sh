#!/usr/bin/env bash
# pellcheck against a second POP3 server, GNU Mailutils' pop3d, over an mbox
# spool (which it rewrites at the end of every session, adding Status, X-UID
# and X-UIDL lines to the heads):
#   pellcheck_pop3d.sh PELLCHECK WORK_DIR
# The server writes a transcript of each session, so that the commands the
# check sent can be looked at. Skipped (exit 77) without pop3d or root.
set -euo pipefail
pellcheck="$1"
work="$2"
. "$(dirname "${BASH_SOURCE[0]}")/../support/e2e_lib.sh"
pell_need pop3d popauth openssl setpriv
[ "$(id -u)" = 0 ] || { echo "SKIP: needs root to serve mail as its own user"; exit 77; }
pell_mail_user

rm -rf "$work"
mkdir -p "$work"
# The mailbox lies where the unprivileged server can reach it wherever WORK
# is: the home folder of a virtual user pellmail@pell.test, whose mailbox is
# its INBOX there. The server runs as pellmail with the mail group (it sets
# that group itself, which an unprivileged process may only keep).
home="$(mktemp -d /tmp/pell-pop3d.XXXXXX)"
chmod 755 "$home"
chown "$pell_mail_user:mail" "$home"
mbox="$home/INBOX"
mkdir "$work/domains"
printf '%s:%s:%s:%s:Pell:%s:/bin/false\n' "$pell_mail_user" "$(openssl passwd -6 pw-Secret9)" \
    "$(id -u "$pell_mail_user")" "$(getent group mail | cut -d: -f3)" "$home" \
    >"$work/domains/pell.test"
# APOP takes the password from a database of its own.
printf '%s@pell.test pw-Secret9\n' "$pell_mail_user" >"$work/apop.txt"
popauth -c -f "$work/apop.txt" -o "$home/apop.db"
chown "$pell_mail_user" "$home/apop.db"
cat >"$work/pop3d.conf" <<EOF
logging { syslog false; }
transcript true;
mailbox { mailbox-type "mbox"; }
auth { authentication generic; authorization virtdomain; }
virtdomain { passwd-dir "$work/domains"; }
apop-database-file "$home/apop.db";
apop-database-owner "$pell_mail_user";
EOF
chmod 755 "$work" "$work/domains"
chmod 644 "$work/pop3d.conf" "$work/domains/pell.test"
transcript="$work/transcript.log"
: >"$transcript"
python3 "$pell_root/tests/integration/inetd_server.py" "$work/port" "$pell_mail_user" mail \
    "$transcript" pop3d --inetd --config-file="$work/pop3d.conf" &
server=$!
trap 'kill "$server" 2>/dev/null || true; rm -rf "$home"' EXIT
pell_wait_file "$work/port" 20 || { echo "SKIP: pop3d did not start"; exit 77; }

fail() {
    echo "FAIL (pop3d): $*" >&2
    exit 1
}

# deliver FIRST LAST [noid]: appended to the mbox as a delivery agent
# appends, with a line that begins with a dot in the body; "noid" leaves the
# Message-ID out.
deliver() {
    python3 - "$mbox" "$1" "$2" "${3:-}" <<'PY'
import sys
path, first, last, noid = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), sys.argv[4]
with open(path, "a") as out:
    for n in range(first, last + 1):
        out.write("From sender@pell.test Tue Feb  3 21:05:09 2004\n")
        if not noid:
            out.write("Message-ID: <pop%d@pell.test>\n" % n)
        out.write("From: sender%d@pell.test\nSubject: Test %d\n"
                  "Date: Tue, 3 Feb 2004 21:05:%02d +0900\n\nBody %d.\n.dotted\n\n"
                  % (n, n, n % 60, n))
PY
    chown "$pell_mail_user:mail" "$mbox"
    chmod 600 "$mbox"
}

ini="$work/Zeririvu.ini"
pell_errors="$work/stderr"
{
    printf '[Poplist]\r\nCount=1\r\nList1=POP1\r\n'
    printf '[POP1]\r\nPopname=Home\r\nServer=127.0.0.1\r\nPort=%s\r\nUser=%s@pell.test\r\n' \
        "$(cat "$work/port")" "$pell_mail_user"
    printf 'Password=%s\r\nTimeOut=20\r\n' "$(pell_scramble pw-Secret9)"
} >"$ini"

# check EXPECTED: "status count new summaries newest" of one check; its
# output is left in $json, the commands of its session in $commands.
check() {
    local found before
    before="$(wc -l <"$transcript")"
    pell_json_run "$pellcheck" "$ini"
    found="$(pell_json_field "$json" status count new summaries summaries.0.subject)"
    commands="$(tail -n +$((before + 1)) "$transcript" | sed -n 's/^pop3d: C: //p')"
    [ "$found" = "$1" ] ||
        fail "got '$found', expected '$1' ($json; $(cat "$pell_errors"); $commands)"
}

# expect_commands PATTERN WHAT: the session sent a line matching PATTERN.
expect_commands() {
    grep -Eq "$1" <<<"$commands" || fail "$2: $commands"
}

# An empty mailbox, then a first check, then exact counts by the UIDLs this
# server lists: 50 new are all summarised, of 51 the newest 50.
check "0 0 0 0 -"
expect_commands '^CAPA$' "no CAPA"
deliver 1 1
check "-6 1 1 1 Test 1"
deliver 2 51
check "-6 51 50 50 Test 51"
deliver 52 102
check "-6 102 51 50 Test 102"
expect_commands '^UIDL$' "no UIDL"
expect_commands '^TOP 102 10$' "no TOP for the newest"
! grep -Eq '^(LIST|TOP) 51( |$)' <<<"$commands" || fail "a seen message was fetched: $commands"
deliver 103 103
check "-6 103 1 1 Test 103"
# The head lines the server added at the end of the last session change
# nothing.
check "0 103 0 0 -"

# What the server sent, dot-stuffed, is shown as written.
deliver 104 104
check "-6 104 1 1 Test 104"
viewer="$(pell_json_field "$json" summaries.0.viewer)"
[[ "$viewer" == *$'Body 104.\r\n.dotted'* ]] || fail "dot line not as written: $viewer"

# Whole messages: RETR with nothing behind the number.
pell_ini_set "$ini" ReadAll Yes
deliver 105 105
check "-6 105 1 1 Test 105"
expect_commands '^RETR 105$' "no RETR"
! grep -Eq '^TOP ' <<<"$commands" || fail "TOP with ReadAll on: $commands"
pell_ini_set "$ini" ReadAll No

# APOP with the greeting's timestamp, never USER/PASS instead.
pell_ini_set "$ini" APOP Yes
deliver 106 106
check "-6 106 1 1 Test 106"
expect_commands '^APOP ' "no APOP"
! grep -Eq '^(USER|PASS) ' <<<"$commands" || fail "USER/PASS with APOP on: $commands"
pell_ini_set "$ini" APOP No

# A message without Message-ID, read again after the server rewrote its head:
# by the UIDLs, and by Mesid alone when the seen-UIDL file is gone.
deliver 107 107 noid
check "-6 107 1 1 Test 107"
check "0 107 0 0 -"
rm -f "$work/Zeririvu.uidl"
check "0 107 0 0 -"

# Nothing of all this changed the mailbox: no DELE was ever sent.
[ "$(grep -c '^From ' "$mbox")" = 107 ] || fail "messages went from the mailbox"
! grep -q '^pop3d: C: DELE' "$transcript" || fail "DELE sent"
echo "ok (pop3d)"
