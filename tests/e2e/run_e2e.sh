#!/usr/bin/env bash
# End to end: PellWatcher.exe under Wine with two accounts, one on the test
# Dovecot server and one on a closed port whose first check comes later. The
# character rests, holds up its letter once mail has arrived, and cries when
# the other account fails. The faces are judged by the window's size: the run
# uses the shape fixture skin, whose frames all differ in size. A screenshot
# of each face is kept in OUTPUT. With "tls" the good account checks the
# server over TLS from the first byte, by name, with the test CA in the
# prefix's Root store.
#   run_e2e.sh PellWatcher.exe pell_shape_fixture.dll DOVECOT_DIR OUTPUT [tls]
set -euo pipefail
exe="$1"
skin="$2"
fixture="$3"
out="$4"
mode="${5:-plain}"
. "$(dirname "${BASH_SOURCE[0]}")/../support/e2e_lib.sh"
pell_need wine python3 xdotool import Xvfb
pell_need_dovecot "$fixture"
pell_begin "$out" "$exe" "$skin"

maildir="$fixture/home/Maildir"
pell_clear_mailbox "$maildir"
good_port="$(cat "$fixture/port")"
good_server=127.0.0.1
good_security=0
if [ "$mode" = tls ]; then
    good_port="$(cat "$fixture/tls_port")"
    good_server=localhost
    good_security=2
fi
bad_port="$(pell_free_port)"
password="$(pell_scramble pw-Secret9)"

# The bad account's first check comes well after the good one's second.
ini="$out/run/Zeririvu.ini"
{
    printf '[Control]\r\nposx=300\r\nposy=200\r\nTaskTray=No\r\nTopmost=Yes\r\n'
    printf '[Poplist]\r\nCount=2\r\nList1=POP1\r\nList2=POP2\r\n'
    n=1
    for account in "$good_server $good_port 1 $good_security" "127.0.0.1 $bad_port 20 0"; do
        set -- $account
        printf '[POP%d]\r\nPopname=Account%d\r\nServer=%s\r\nPort=%s\r\n' $n $n "$1" "$2"
        printf 'User=pelltest\r\nPassword=%s\r\nCheck=Yes\r\nTimer=3\r\nOffsetTimer=%s\r\n' \
            "$password" "$3"
        printf 'TimeOut=20\r\nSecurity=%s\r\n' "$4"
        n=$((n + 1))
    done
} >"$ini"

pell_start_program "$out" "$(basename "$skin")"
window="$(pell_character_window)" || fail "the character window did not appear"

# Waits until the window has the given size; keeps a screenshot of it.
expect_face() {  # name size seconds
    pell_wait_size "$window" "$2" "$3" || fail "expected the $1 face ($2), the window is $pell_size"
    sleep 0.3
    pell_screenshot "$out/face-$1.png" "${2}+300+200"
    echo "ok: $1 face ($2)"
}

# Frame sizes of the fixture skin: idle 36x28, letter 24x40, error 32x32.
expect_face idle 36x28 20
pell_hello_message e2e-1@pell.test | pell_deliver "$maildir/new/0000000001.M1P1.pelltest"
expect_face letter 24x40 60
expect_face crying 32x32 60

grep -q 'Mesid=<e2e-1@pell.test>,' "$ini" || fail "the seen message was not recorded"
echo "PASS"
