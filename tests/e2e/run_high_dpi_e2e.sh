#!/usr/bin/env bash
# End to end on a high-DPI screen: PellWatcher.exe under Wine in a prefix of
# its own whose screen is set to DPI dots per inch (LogPixels; 192 is 200 %),
# against the test Dovecot server. The character must stand at its whole-number
# scale (64 x 64 at 192 DPI), the new-mail list must use the doubled font and
# spacings, and the viewer, the tooltip and the settings dialog are shot too.
# Screenshots in OUTPUT: character.png, list.png, viewer.png, tooltip.png,
# settings.png, screen.png.
#   run_high_dpi_e2e.sh PellWatcher.exe dialog_driver.exe DOVECOT_DIR OUTPUT [DPI]
set -euo pipefail
exe="$1"
driver="$2"
fixture="$3"
out="$4"
dpi="${5:-192}"
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
. "$here/../support/e2e_lib.sh"
pell_need wine python3 xdotool import convert Xvfb
pell_need_dovecot "$fixture"
# A prefix per DPI, made once: the screen's DPI is the whole prefix's, and the
# other Wine tests share theirs. 96 is the usual test prefix.
if [ "$dpi" != 96 ]; then
    export WINEPREFIX="${PELL_BUILD_ROOT:-$pell_root/build}/wineprefix-${dpi}dpi"
    # A screen of the size such a DPI goes with (a private Xvfb only).
    export PELL_XVFB_SCREEN="$((1280 * dpi / 96))x$((800 * dpi / 96))x24"
fi
pell_begin "$out" "$exe" "$driver"
if [ "$dpi" != 96 ]; then
    wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
    wineserver -w || true
fi
scale=$(((dpi * 100 <= 143 * 96) ? 1 : (dpi * 100 <= 287 * 96) ? 2 : 3))
px() { echo $((($1 * dpi + 48) / 96)); }  # a length laid out for 96 DPI

maildir="$fixture/home/Maildir"
pell_clear_mailbox "$maildir"
python3 "$here/make_japanese_mail.py" /dev/stdout 2 | pell_deliver "$maildir/new/1765000002.M2P1.dpi"
port="$(cat "$fixture/port")"
ini="$out/run/Zeririvu.ini"
pell_popup_settings "$port" >"$ini"

shoot() { pell_screenshot "$out/$1.png" "${4}x${5}+${2}+${3}"; }  # name X Y W H

xdotool mousemove 1000 700
pell_start_program "$out"
window="$(pell_character_window)" || fail "the character window did not appear"
side=$((32 * scale))
pell_wait_size "$window" "${side}x${side}" 20 || fail "the character is $pell_size, not ${side}x${side}"
echo "ok: the character stands at ${scale}x (${side}x${side})"

list="$(pell_find_window 60 --onlyvisible --name '^POP9$')" || fail "the new-mail list did not appear"
sleep 0.5
shoot character 300 200 "$side" "$side"
read -r lx ly lw lh < <(pell_geometry "$list")
echo "list at $lx,$ly size ${lw}x${lh}"
shoot list "$lx" "$ly" "$lw" "$lh"
# Two lines of a font of height 12 at 96 DPI: about twice as high at 192.
line=$(((lh - $(px 5)) / 2))
[ "$line" -ge $(($(px 12) - 2)) ] && [ "$line" -le "$(px 12)" ] ||
    fail "the list is ${lh} high: its lines are $line pixels, not about $(px 12)"
echo "ok: the list's lines are $line pixels high"

xdotool mousemove $((lx + $(px 60))) $((ly + 1 + line + $(px 2) + line / 2))
sleep 0.4
xdotool click 1
viewer="$(pell_find_window 10 --onlyvisible --name '^e2e-uidl-2$')" || fail "the viewer did not open"
sleep 0.5
read -r vx vy vw vh < <(pell_geometry "$viewer")
echo "viewer at $vx,$vy size ${vw}x${vh}"
shoot viewer "$vx" "$vy" "$vw" "$vh"
[ $(((vh - $(px 5)) % line)) -eq 0 ] || fail "the viewer does not show whole lines of $line"

# Resting on the character opens the tooltip (and leaving the list closes the viewer).
xdotool mousemove $((300 + side / 2)) $((200 + side / 2))
sleep 0.2
xdotool mousemove $((300 + side / 2 + 1)) $((200 + side / 2))
pale=0
for _ in $(seq 50); do
    sleep 0.2
    shoot tooltip 300 200 600 160
    pale="$(pell_count_colour "$out/tooltip.png" '#FFFFBF')"
    [ "$pale" -gt $((300 * scale * scale)) ] && break
done
[ "$pale" -gt $((300 * scale * scale)) ] || fail "no tooltip in tooltip.png ($pale pixels)"
echo "ok: the tooltip"
xdotool mousemove 1000 700

drive() { (cd "$out/run" && wine dialog_driver.exe "$@"); }
drive menu-command 256
drive wait settings || fail "the settings dialog did not open"
drive click settings 1022
sleep 0.5
rect="$(drive rect settings | tr -d '\r')"
pell_screenshot "$out/settings.png" "$rect"
import -window root "$out/screen.png"
echo "ok: the settings dialog ($rect)"
drive click settings 1
echo "PASS"
