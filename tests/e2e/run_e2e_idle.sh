#!/usr/bin/env bash
# End to end: an IMAP account in IDLE on the test Dovecot server, set up as a
# user would: the settings dialog from the character's menu, 追加..., the
# fields typed, IMAP chosen in 受信方式 and the interval set to 30 minutes with
# the pointer and the keyboard (xdotool), the connection test, OK, 閉じる.
# After the first check the account keeps a connection waiting; a delivery
# must make the character hold up its letter and open the new-mail list long
# before the 30-minute timer could. The delays from the delivery are measured
# and printed. The exit command then ends the program with the watcher's
# connection open. Faces are judged by the window's size (the shape fixture
# skin); screenshots stay in OUTPUT.
#   run_e2e_idle.sh PellWatcher.exe dialog_driver.exe pell_shape_fixture.dll window_probe.exe DOVECOT_DIR OUTPUT
set -euo pipefail
exe="$1"
driver="$2"
skin="$3"
probe="$4"
fixture="$5"
out="$6"
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
. "$here/../support/e2e_lib.sh"
pell_need wine python3 xdotool import Xvfb
pell_need_dovecot "$fixture"
[ -s "$fixture/imap_port" ] || { echo "SKIP: no IMAP server (dovecot-imapd)"; exit 77; }
pell_begin "$out" "$exe" "$driver" "$skin" "$probe"
drive() { (cd "$out/run" && wine dialog_driver.exe "$@"); }
# click_control DIALOG ID: a real click in the middle of a control.
click_control() {
    local rect w h x y
    rect="$(drive rect "$1" "$2" | tr -d '\r')" || fail "no control $2 in the $1 dialog"
    IFS='x+' read -r w h x y <<<"$rect"
    xdotool mousemove $((x + w / 2)) $((y + h / 2)) click 1
    sleep 0.3
}

maildir="$fixture/home/Maildir"
pell_clear_mailbox "$maildir"
imap_port="$(cat "$fixture/imap_port")"
ini="$out/run/Zeririvu.ini"
# The skin comes from the settings, which closing the settings dialog applies.
printf '[Control]\r\nposx=300\r\nposy=200\r\nTaskTray=No\r\nTopmost=Yes\r\nUseSkin=Yes\r\nSkinFile=%s\r\n' \
    "$(basename "$skin")" >"$ini"

xdotool mousemove 1000 700  # away from the character
pell_start_program "$out"
window="$(pell_character_window)" || fail "the character window did not appear"
pell_wait_size "$window" 36x28 20 || fail "the character did not rest ($pell_size)"

# Without accounts the menu's first item is the settings.
xdotool mousemove 318 214 click 3
sleep 1
xdotool mousemove 340 222 click 1
drive wait settings || fail "the settings dialog did not open from the menu"
drive account-open || fail "Add did not open the account dialog"
drive account-fill "Phone" "127.0.0.1" "$imap_port" "pelltest" "pw-Secret9" 0
drive shown account 1034 && fail "the folder field shows for POP3"
# 受信方式: open the drop-down, one down to IMAP, Enter.
click_control account 1033
xdotool key Down Return
sleep 0.5
drive shown account 1034 || fail "the folder field did not appear for IMAP"
# An empty port shows in grey the one it stands for; the test server's is typed.
click_control account 1031
xdotool key End BackSpace BackSpace BackSpace BackSpace BackSpace
click_control account 34
port_rect="$(drive rect account 1031 | tr -d '\r')"
pell_screenshot "$out/port-hint.png" "$port_rect"
click_control account 1031
xdotool type "$imap_port"
# 30 minutes instead of the 15 a new account starts with.
click_control account 34
xdotool key End BackSpace BackSpace BackSpace BackSpace type 30
# The new-mail list with the subjects.
click_control account 39
click_control account 1023
sleep 0.3
rect="$(drive rect account | tr -d '\r')"
pell_screenshot "$out/dialog-account.png" "$rect"
status="$(drive account-test | tr -d '\r')"
[ "$status" = "正常" ] || fail "the connection test over IMAP said '$status'"
echo "ok: IMAP chosen by pointer and keyboard; the connection test said $status"
drive account-ok || fail "OK did not close the account dialog"
for key in Protocol=1 Folder=INBOX Idle=Yes Timer=1800 Popup=Yes PopupSubj=Yes; do
    grep -q "^$key" "$ini" || fail "the account was saved without $key"
done
drive click settings 1
for _ in $(seq 50); do
    drive wait settings >/dev/null 2>&1 || break
    sleep 0.1
done
xdotool mousemove 1000 700

# The first check stores the folder's marks; the watcher's connection stays.
for _ in $(seq 300); do
    grep -q '^ImapUidNext=' "$ini" && break
    sleep 0.1
done
grep -q '^ImapUidNext=' "$ini" || fail "the first check did not end well"
# Established connections to the IMAP port (state 01 of /proc/net/tcp).
connections() {
    awk -v port="$(printf ':%04X' "$imap_port")" \
        '$4 == "01" && substr($3, length($3) - 4) == port' /proc/net/tcp | wc -l
}
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
    if [ -z "$list" ] && xdotool search --onlyvisible --name '^POP1$' >/dev/null 2>&1; then
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

pell_end_program "$out/run"
echo "PASS"
