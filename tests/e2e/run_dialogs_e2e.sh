#!/usr/bin/env bash
# End to end: the program under Wine starts without accounts; the settings
# dialog is opened from the character's menu, an account on the test Dovecot
# server is added through the account dialog (its connection test first), the
# dialog is closed, and the character checks the account at once and holds up
# its letter. Screenshots of the three dialogs (the settings dialog with its
# details open) are kept in OUTPUT.
#   run_dialogs_e2e.sh PellWatcher.exe dialog_driver.exe pell_shape_fixture.dll DOVECOT_DIR OUTPUT
set -euo pipefail
exe="$1"
driver="$2"
skin="$3"
fixture="$4"
out="$5"
. "$(dirname "${BASH_SOURCE[0]}")/../support/e2e_lib.sh"
pell_need wine python3 xdotool import Xvfb
pell_need_dovecot "$fixture"
pell_begin "$out" "$exe" "$driver" "$skin"

drive() { (cd "$out/run" && wine dialog_driver.exe "$@"); }
shot() {  # name dialog
    local rect
    rect="$(drive rect "$2" | tr -d '\r')"
    sleep 0.5
    pell_screenshot "$out/dialog-$1.png" "$rect"
    echo "ok: screenshot of the $1 dialog ($rect)"
}

maildir="$fixture/home/Maildir"
pell_clear_mailbox "$maildir"
port="$(cat "$fixture/port")"
pell_hello_message e2e-dialogs-1@pell.test | pell_deliver "$maildir/new/0000000001.M1P1.pelltest"

ini="$out/run/Zeririvu.ini"
# The skin comes from the settings: closing the settings dialog sets the skin
# again from there.
printf '; kept as it is\r\n[Control]\r\nposx=300\r\nposy=200\r\nTaskTray=No\r\nTopmost=Yes\r\nSomethingElse=1\r\nUseSkin=Yes\r\nSkinFile=%s\r\n' \
    "$(basename "$skin")" >"$ini"

# The pointer away from the character, which would otherwise show its pleased face.
xdotool mousemove 1000 700
pell_start_program "$out"
window="$(pell_character_window)" || fail "the character window did not appear"

wait_size() {  # size seconds
    pell_wait_size "$window" "$1" "$2" || { echo "window size $pell_size"; return 1; }
}
# Frame sizes of the fixture skin: idle 36x28, letter 24x40.
wait_size 36x28 20 || fail "the character did not rest"

# The character's menu: without accounts its first item is the settings.
xdotool mousemove 318 214 click 3
sleep 1
xdotool mousemove 340 222 click 1
drive wait settings || fail "the settings dialog did not open from the menu"
echo "ok: the settings dialog opened from the menu"

drive account-open || fail "Add did not open the account dialog"
drive account-fill "Dovecot" "127.0.0.1" "$port" "pelltest" "pw-Secret9" 0
shot account account
status="$(drive account-test | tr -d '\r')"
[ "$status" = "正常" ] || fail "the connection test said '$status'"
echo "ok: the connection test said $status"
grep -q 'Popname' "$ini" && fail "the connection test saved the account"
drive account-ok || fail "OK did not close the account dialog"
grep -q '^Popname=Dovecot' "$ini" || fail "the account was not saved"

drive click settings 1022
sleep 1
shot settings settings
drive click settings 1
for _ in $(seq 50); do
    drive wait settings >/dev/null 2>&1 || break
    sleep 0.1
done

wait_size 24x40 60 || fail "the character did not show the letter"
sleep 0.3
pell_screenshot "$out/face-letter.png" 24x40+300+200
echo "ok: the new account was checked and its letter shown"
grep -q 'Mesid=<e2e-dialogs-1@pell.test>,' "$ini" || fail "the seen message was not recorded"
grep -q '^; kept as it is' "$ini" || fail "the comment line was lost"
grep -q '^SomethingElse=1' "$ini" || fail "an unknown key was lost"

drive menu-command 108
shot about about
drive click about 1
echo "PASS"
