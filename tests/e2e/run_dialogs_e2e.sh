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
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
root="$(cd "$here/../.." && pwd)"
skip=77

for tool in wine python3 xdotool import Xvfb; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is missing"; exit $skip; }
done
[ -s "$fixture/port" ] || { echo "SKIP: the test Dovecot server is not running"; exit $skip; }

. "$root/scripts/wine-env.sh"
pell_wine_prefix

rm -rf "$out"
mkdir -p "$out/run"
cp "$exe" "$driver" "$skin" "$out/run/"
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    if [ -n "${PELL_XVFB_PID:-}" ]; then kill "$PELL_XVFB_PID" 2>/dev/null || true; fi
}
trap cleanup EXIT
trap "exit 1" INT TERM
pell_ensure_display

drive() { (cd "$out/run" && wine dialog_driver.exe "$@"); }
fail() { echo "FAIL: $*"; exit 1; }
shot() {  # name dialog
    local rect
    rect="$(drive rect "$2" | tr -d '\r')"
    sleep 0.5
    import -window root -crop "$rect" "$out/dialog-$1.png"
    echo "ok: screenshot of the $1 dialog ($rect)"
}

maildir="$fixture/home/Maildir"
find "$maildir/new" "$maildir/cur" -type f -delete
port="$(cat "$fixture/port")"
file="$maildir/new/0000000001.M1P1.pelltest"
printf 'Message-ID: <e2e-dialogs-1@pell.test>\r\nFrom: Bob <bob@pell.test>\r\nTo: pelltest@pell.test\r\nSubject: hello\r\nDate: Mon, 7 Dec 2026 05:00:00 +0000\r\n\r\nHi.\r\n' \
    >"$file"
chown pellmail:pellmail "$file" 2>/dev/null || true

ini="$out/run/Zeririvu.ini"
# The skin comes from the settings: closing the settings dialog sets the skin
# again from there.
printf '; kept as it is\r\n[Control]\r\nposx=300\r\nposy=200\r\nTaskTray=No\r\nTopmost=Yes\r\nSomethingElse=1\r\nUseSkin=Yes\r\nSkinFile=%s\r\n' \
    "$(basename "$skin")" >"$ini"

(cd "$out/run" && exec wine PellWatcher.exe) >"$out/wine.log" 2>&1 &
pids+=($!)

window=""
for _ in $(seq 300); do
    window="$(xdotool search --name '^Pell32 VESK$' 2>/dev/null | head -1 || true)"
    [ -n "$window" ] && break
    sleep 0.1
done
[ -n "$window" ] || fail "the character window did not appear"

wait_size() {  # size seconds
    local size=""
    for _ in $(seq $(($2 * 5))); do
        size="$(xdotool getwindowgeometry "$window" | sed -n 's/.*Geometry: //p')"
        [ "$size" = "$1" ] && return 0
        sleep 0.2
    done
    echo "window size $size"
    return 1
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
import -window root -crop 24x40+300+200 "$out/face-letter.png"
echo "ok: the new account was checked and its letter shown"
grep -q 'Mesid=<e2e-dialogs-1@pell.test>,' "$ini" || fail "the seen message was not recorded"
grep -q '^; kept as it is' "$ini" || fail "the comment line was lost"
grep -q '^SomethingElse=1' "$ini" || fail "an unknown key was lost"

drive menu-command 108
shot about about
drive click about 1
echo "PASS"
