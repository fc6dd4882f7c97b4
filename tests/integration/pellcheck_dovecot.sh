#!/usr/bin/env bash
# Drives pellcheck against the private Dovecot server of dovecot_fixture.sh:
#   pellcheck_dovecot.sh CASE PELLCHECK FIXTURE_DIR
# A PELLCHECK ending in .exe runs under Wine. Exit 77 means "skipped". The
# server's certificate is issued by the test CA of tls_certificates.sh, which
# Linux takes through SSL_CERT_FILE and Wine from the prefix's Root store.
set -euo pipefail
case_name="$1"
pellcheck="$2"
fixture="$3"
. "$(dirname "${BASH_SOURCE[0]}")/../support/e2e_lib.sh"
port="$(cat "$fixture/port")"
maildir="$fixture/home/Maildir"
work="$fixture/cases/$case_name"
ini="$work/Zeririvu.ini"
pell_errors="$work/stderr"
SSL_CERT_FILE="$(cat "$fixture/certs_dir" 2>/dev/null || true)/ca.crt"
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

# deliver FIRST LAST: messages whose Message-ID and subject carry their number
# (one process for the lot: cases deliver hundreds). The file names carry the
# case's name: the server remembers the names of files gone, and a name that
# comes back would keep its old place in the mailbox.
deliver() {
    python3 - "$maildir/new" "$1" "$2" "$case_name" <<'PY'
import os, pwd, sys
folder, first, last, case = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), sys.argv[4]
try:
    owner = pwd.getpwnam("pellmail")
except KeyError:
    owner = None
for n in range(first, last + 1):
    path = os.path.join(folder, "%010d.M%dP1.%s" % (n + 1, n, case))
    with open(path, "wb") as out:
        out.write(("Message-ID: <msg%d@pell.test>\r\nFrom: sender%d@pell.test\r\n"
                   "To: pelltest@pell.test\r\nSubject: Test %d\r\n"
                   "Date: Tue, 3 Feb 2004 21:05:%02d +0900\r\n\r\nBody of message %d.\r\n"
                   % (n, n, n, n % 60, n)).encode())
    if owner:
        os.chown(path, owner.pw_uid, owner.pw_gid)
PY
}

# write_ini [KEY=VALUE ...]: one account "Home" on the test server.
write_ini() {
    {
        printf '[Poplist]\r\nCount=1\r\nList1=POP1\r\n'
        printf '[POP1]\r\nPopname=Home\r\nServer=127.0.0.1\r\nPort=%s\r\nUser=pelltest\r\n' "$port"
        printf 'Password=%s\r\nTimeOut=20\r\n' "$(pell_scramble pw-Secret9)"
        local kv
        for kv in "$@"; do printf '%s\r\n' "$kv"; done
    } >"$ini"
}

case "$case_name" in
first_check | first_check_wine | apop)
    pell_clear_mailbox "$maildir"
    deliver 1 3
    write_ini
    [ "$case_name" = apop ] && pell_ini_set "$ini" APOP Yes
    run_check
    pell_expect "exit code" "$status_code" 0
    pell_expect status "$(field status)" -6
    pell_expect count "$(field count)" 3
    pell_expect new "$(field new)" 3
    pell_expect summaries "$(field summaries)" 1
    pell_expect subject "$(field summaries.0.subject)" "Test 3"
    pell_expect Mesid "$(pell_ini_get "$ini" Mesid)" "<msg3@pell.test>,"
    ;;
later_mail)
    pell_clear_mailbox "$maildir"
    deliver 1 3
    write_ini
    run_check
    pell_expect "first check" "$(field new)" 3
    deliver 4 5
    run_check
    pell_expect status "$(field status)" -6
    pell_expect new "$(field new)" 2
    pell_expect subjects "$(field summaries.0.subject),$(field summaries.1.subject)" "Test 5,Test 4"
    pell_expect Mesid "$(pell_ini_get "$ini" Mesid)" "<msg5@pell.test>,<msg4@pell.test>,<msg3@pell.test>,"
    run_check
    pell_expect "status without new mail" "$(field status)" 0
    pell_expect "new without new mail" "$(field new)" 0
    pell_expect "Mesid without new mail" "$(pell_ini_get "$ini" Mesid)" "<msg5@pell.test>,"
    ;;
mail_corpus)
    # Sample messages as other programs write them (tests/data/mime_corpus),
    # handed out whole by the real server's TOP, which dot-stuffs their lines:
    # each summary must be the one the sample itself gives.
    pell_clear_mailbox "$maildir"
    corpus="$(dirname "${BASH_SOURCE[0]}")/../data/mime_corpus"
    names="resent_list phone_emoji_multipart cyrillic_koi8 latin1_unlabelled"
    # A message seen before, so that the check summarizes every later one.
    pell_hello_message old@pell.test | pell_deliver "$maildir/new/0000000000.M0P0.pelltest"
    # The messages themselves: no status line, no end marker, no stuffing.
    python3 - "$corpus" "$maildir/new" $names <<'PY'
import shutil, sys
corpus, folder, names = sys.argv[1], sys.argv[2], sys.argv[3:]
for n, name in enumerate(names, 1):
    lines = open(f"{corpus}/{name}.eml", "rb").read().split(b"\r\n")[1:]
    out = []
    for line in lines:
        if line == b".":
            break
        out.append(line[1:] if line.startswith(b".") else line)
    path = f"{folder}/{n:010d}.M{n}P1.pelltest"
    open(path, "wb").write(b"\r\n".join(out) + b"\r\n")
    try:
        shutil.chown(path, "pellmail", "pellmail")
    except (LookupError, PermissionError):
        pass
PY
    write_ini "Mesid=<old@pell.test>,"
    printf '[Control]\r\nGetLines=50\r\n' >>"$ini"
    run_check
    pell_expect "exit code" "$status_code" 0
    python3 - "$pellcheck" "$corpus" "$json" $names <<'PY' || fail "summaries differ from the samples'"
import json, subprocess, sys
pellcheck, corpus, server, names = sys.argv[1], sys.argv[2], json.loads(sys.argv[3]), sys.argv[4:]
summaries = server["summaries"]
ok = len(summaries) == len(names)
for summary, name in zip(summaries, reversed(names)):
    own = json.loads(subprocess.run([pellcheck, "--summarize", f"{corpus}/{name}.eml", "--lines", "50",
                                     "--json"], capture_output=True, check=True).stdout)
    for key in ("date", "from", "subject", "viewer"):
        if summary[key] != own[key]:
            print(f"{name} {key}: server {summary[key]!r}, sample {own[key]!r}", file=sys.stderr)
            ok = False
# The server stuffed the lines that begin with a dot; the viewer shows them as
# written.
if not summaries or not summaries[-1]["viewer"].endswith("議事録です。\r\n...続きは明日。\r\n.\r\n以上"):
    print("the dot lines of resent_list are not as written", file=sys.stderr)
    ok = False
sys.exit(0 if ok else 1)
PY
    ;;
empty_mailbox)
    pell_clear_mailbox "$maildir"
    write_ini "Mesid=<old@pell.test>,"
    run_check
    pell_expect "exit code" "$status_code" 0
    pell_expect status "$(field status)" 0
    pell_expect count "$(field count)" 0
    pell_expect Mesid "$(pell_ini_get "$ini" Mesid)" "(missing)"
    ;;
no_save)
    pell_clear_mailbox "$maildir"
    deliver 1 2
    write_ini
    cp "$ini" "$work/before.ini"
    run_check --no-save
    pell_expect status "$(field status)" -6
    cmp -s "$ini" "$work/before.ini" || fail "--no-save changed the settings file"
    ;;
wrong_password)
    pell_clear_mailbox "$maildir"
    write_ini
    pell_ini_set "$ini" Password "$(pell_scramble wrong)"
    run_check
    pell_expect "exit code" "$status_code" 1
    pell_expect status "$(field status)" 12
    ;;
closed_port)
    write_ini
    pell_ini_set "$ini" Port "$(pell_free_port)"
    run_check
    pell_expect "exit code" "$status_code" 1
    pell_expect status "$(field status)" 5
    ;;
unknown_host)
    # Resolved inside a network namespace of its own, so that the lookup
    # cannot leave the machine.
    if ! unshare -n true 2>/dev/null; then
        echo "no network namespaces here" >&2
        exit 77
    fi
    write_ini
    pell_ini_set "$ini" Server "nowhere.invalid"
    set +e
    json="$(unshare -n "$pellcheck" --settings "$ini" --json 2>"$work/stderr")"
    status_code=$?
    set -e
    pell_expect "exit code" "$status_code" 1
    pell_expect status "$(field status)" 3
    ;;
other_connection)
    pell_clear_mailbox "$maildir"
    write_ini
    exec 3<>"/dev/tcp/127.0.0.1/$port"
    run_check
    exec 3<&-
    pell_expect "exit code" "$status_code" 1
    pell_expect status "$(field status)" 17
    ;;
implicit_tls | implicit_tls_wine | stls | stls_wine)
    # Mail over TLS from the first byte, or after STLS, verified by name.
    pell_clear_mailbox "$maildir"
    deliver 1 2
    write_ini
    pell_ini_set "$ini" Server localhost
    case "$case_name" in
    implicit*)
        pell_ini_set "$ini" Port "$(cat "$fixture/tls_port")"
        pell_ini_set "$ini" Security 2
        ;;
    *) pell_ini_set "$ini" Security 1 ;;
    esac
    run_check
    pell_expect "exit code" "$status_code" 0
    pell_expect status "$(field status)" -6
    pell_expect new "$(field new)" 2
    pell_expect subject "$(field summaries.0.subject)" "Test 2"
    pell_expect protocol "$(field tls_protocol | cut -c1-5)" "TLSv1"
    pell_expect fingerprint "$(field certificate_fingerprint)" \
        "$(cat "$(cat "$fixture/certs_dir")/localhost.sha256")"
    ;;
exact_counts | exact_counts_tls)
    # 50, 51 and 120 new messages are counted exactly (the newest 50
    # summarised), by the seen UIDLs kept beside the settings file; without
    # that file Mesid decides and the file is made again.
    pell_clear_mailbox "$maildir"
    deliver 1 10
    write_ini
    if [ "$case_name" = exact_counts_tls ]; then
        pell_ini_set "$ini" Server localhost
        pell_ini_set "$ini" Port "$(cat "$fixture/tls_port")"
        pell_ini_set "$ini" Security 2
    fi
    # One look at the output: status, count, new, at least, summaries, the
    # newest subject.
    outcome() {
        python3 -c 'import json, sys
v = json.loads(sys.argv[1].splitlines()[0])
s = v["summaries"]
print(v["status"], v["count"], v["new"], v["new_at_least"], len(s), s[0]["subject"] if s else "-", sep="|")' "$json"
    }
    run_check
    pell_expect "first check" "$(outcome)" "-6|10|10|False|1|Test 10"
    [ -f "$work/Zeririvu.uidl" ] || fail "no seen-UIDL file beside the settings file"
    last=10
    for batch in 50 51 120; do
        deliver $((last + 1)) $((last + batch))
        last=$((last + batch))
        run_check
        pell_expect "$batch new" "$(outcome)" "-6|$last|$batch|False|$((batch < 50 ? batch : 50))|Test $last"
    done
    pell_expect "Mesid" "$(pell_ini_get "$ini" Mesid | cut -d, -f1)" "<msg$last@pell.test>"
    run_check
    pell_expect "nothing new" "$(outcome)" "0|$last|0|False|0|-"
    # Seen messages deleted on the server (the newest too) change the total only.
    find "$maildir" -type f \( -name "$(printf '%010d' "$last").*" -o -name '0000000003.*' \) -delete
    run_check
    pell_expect "after deletions" "$(outcome)" "0|$((last - 2))|0|False|0|-"
    # The file gone (the first check after an upgrade), or not writable.
    rm -f "$work/Zeririvu.uidl"
    deliver $((last + 1)) $((last + 3))
    run_check
    pell_expect "without the file" "$(outcome)" "-6|$((last + 1))|3|False|3|Test $((last + 3))"
    [ -f "$work/Zeririvu.uidl" ] || fail "the seen-UIDL file was not made again"
    rm -f "$work/Zeririvu.uidl"
    mkdir "$work/Zeririvu.uidl"
    deliver $((last + 4)) $((last + 5))
    run_check
    pell_expect "unwritable file" "$(outcome)" "-6|$((last + 3))|2|False|2|Test $((last + 5))"
    pell_expect "unwritable file: Mesid" "$(pell_ini_get "$ini" Mesid | cut -d, -f1)" "<msg$((last + 5))@pell.test>"
    grep -q "seen UIDLs" "$work/stderr" || fail "no word of the unwritable file"
    run_check
    pell_expect "unwritable file: next check" "$(outcome)" "0|$((last + 3))|0|False|0|-"
    ;;
usage)
    write_ini
    run_check --bogus
    pell_expect "bad option" "$status_code" 2
    grep -q "unknown option" "$work/stderr" || fail "no message for a bad option"
    run_check --show-certificate --all
    pell_expect "certificate of no one account" "$status_code" 2
    run_check --account Nobody
    pell_expect "unknown account" "$status_code" 1
    grep -q "Nobody" "$work/stderr" || fail "no message for an unknown account"
    ini="$work/missing.ini"
    run_check
    pell_expect "missing settings" "$status_code" 1
    grep -q "not found" "$work/stderr" || fail "no message for a missing settings file"
    ;;
*)
    fail "unknown case"
    ;;
esac
echo "ok ($case_name)"
