#!/usr/bin/env bash
# End to end: PellWatcher.exe under Wine with an IMAP account in IDLE against
# the test Dovecot server, with its timer at 30 minutes. After the first check
# the account keeps a connection waiting; a delivery must make the character
# hold up its letter and open the new-mail list long before the timer could.
# The delays from the delivery are measured and printed. The exit command then
# ends the program with the watcher's connection open. Faces are judged by the
# window's size (the shape fixture skin); screenshots stay in OUTPUT.
#   run_e2e_idle.sh PellWatcher.exe pell_shape_fixture.dll window_probe.exe DOVECOT_DIR OUTPUT
set -euo pipefail
exe="$1"
skin="$2"
probe="$3"
fixture="$4"
out="$5"
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
. "$here/../support/e2e_lib.sh"
pell_need wine python3 xdotool import Xvfb ss
pell_need_dovecot "$fixture"
[ -s "$fixture/imap_port" ] || { echo "SKIP: no IMAP server (dovecot-imapd)"; exit 77; }
pell_begin "$out" "$exe" "$skin" "$probe"

maildir="$fixture/home/Maildir"
pell_clear_mailbox "$maildir"
imap_port="$(cat "$fixture/imap_port")"
ini="$out/run/Zeririvu.ini"
{
    printf '[Control]\r\nposx=300\r\nposy=200\r\nTaskTray=No\r\nTopmost=Yes\r\n'
    printf '[Poplist]\r\nCount=1\r\nList1=POP9\r\n'
    printf '[POP9]\r\nPopname=Phone\r\nServer=127.0.0.1\r\nPort=%s\r\nProtocol=1\r\n' "$imap_port"
    printf 'User=pelltest\r\nPassword=%s\r\nCheck=Yes\r\nTimer=1800\r\nOffsetTimer=1\r\n' \
        "$(pell_scramble pw-Secret9)"
    printf 'TimeOut=20\r\nPopup=Yes\r\nPopupSubj=Yes\r\n'
} >"$ini"

xdotool mousemove 1000 700  # away from the character and the list
pell_start_program "$out" "$(basename "$skin")"
window="$(pell_character_window)" || fail "the character window did not appear"

# The first check stores the folder's marks; the watcher's connection stays.
for _ in $(seq 300); do
    grep -q '^ImapUidNext=' "$ini" && break
    sleep 0.1
done
grep -q '^ImapUidNext=' "$ini" || fail "the first check did not end well"
connections() { ss -Htn state established "( dport = :$imap_port )" | wc -l; }
for _ in $(seq 300); do
    [ "$(connections)" -ge 1 ] && break
    sleep 0.1
done
[ "$(connections)" -ge 1 ] || fail "no connection waits in IDLE"
sleep 1  # login, EXAMINE and IDLE take a moment
pell_wait_size "$window" 36x28 10 || fail "not the resting face before the delivery ($pell_size)"

name="$(date +%s).M1P$$.idle"
python3 "$here/make_japanese_mail.py" /dev/stdout 1 | pell_deliver "$maildir/tmp/$name"
mv "$maildir/tmp/$name" "$maildir/new/$name"
start="$(date +%s.%N)"
face="" list="" size=""
# Long before the 30-minute timer, or not at all.
for _ in $(seq 1200); do
    now="$(date +%s.%N)"
    if [ -z "$face" ]; then
        size="$(xdotool getwindowgeometry "$window" | sed -n 's/.*Geometry: //p')"
        [ "$size" = 24x40 ] && face="$now"
    fi
    if [ -z "$list" ] && xdotool search --onlyvisible --name '^POP9$' >/dev/null 2>&1; then
        list="$now"
    fi
    [ -n "$face" ] && [ -n "$list" ] && break
    sleep 0.05
done
[ -n "$face" ] || fail "no letter face after the delivery (the window is $size)"
[ -n "$list" ] || fail "no new-mail list after the delivery"
awk -v s="$start" -v f="$face" -v l="$list" 'BEGIN {
    printf "delay from the delivery: letter face %.2f s, new-mail list %.2f s (timer: 30 minutes)\n",
        f - s, l - s }'
sleep 0.5
pell_screenshot "$out/letter.png" 24x40+300+200
import -window root "$out/screen.png"
echo "ok: the letter and the list came by IDLE"

result="$(cd "$out/run" && wine window_probe.exe --exit | tr -d '\r')" || fail "the program did not end: $result"
read -r ms code <<<"$result"
echo "the program ended ${ms} ms after the exit command, exit code $code"
[ "$code" -eq 0 ] || fail "exit code $code"
for _ in $(seq 100); do kill -0 "$pell_program" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$pell_program" 2>/dev/null; then fail "the Wine process stayed"; fi
if grep -Eq 'Unhandled (exception|page fault)|winedbg' "$out/wine.log"; then
    cat "$out/wine.log"
    fail "the program crashed"
fi
echo "PASS"
