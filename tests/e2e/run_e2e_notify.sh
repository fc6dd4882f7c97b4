#!/usr/bin/env bash
# End to end: PellWatcher.exe under Wine with pop-ups on, against the test
# Dovecot server. Three mails with Japanese senders, subjects and bodies are
# waiting; the first check opens the new-mail list, the pointer (xdotool)
# highlights the second message and clicks it, and its viewer opens; resting
# on the character opens the tooltip. Then, with real pointer input only, the
# viewer of the first line is reached: the pointer moves onto it in small
# steps across the second line, copies its text from its menu (read back by a
# second program), and a press takes it over, so that it stays when the
# pointer leaves both windows.
# Screenshots of the three windows are kept in OUTPUT (list.png, viewer.png,
# tooltip.png, viewer-reached.png).
#   run_e2e_notify.sh PellWatcher.exe DOVECOT_DIR OUTPUT CLIPBOARD_PROBE.exe
set -euo pipefail
exe="$1"
fixture="$2"
out="$3"
probe="$4"
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
. "$here/../support/e2e_lib.sh"
pell_need wine python3 xdotool import convert Xvfb
pell_need_dovecot "$fixture"
pell_begin "$out" "$exe"

maildir="$fixture/home/Maildir"
pell_clear_mailbox "$maildir"
# An older mail the program has seen already, then three new ones.
printf 'Message-ID: <e2e-notify-0@pell.test>\r\nFrom: old@pell.test\r\nSubject: old\r\n\r\nold\r\n' |
    pell_deliver "$maildir/new/1765000000.M0P1.notify"
for n in 1 2 3; do
    python3 "$here/make_japanese_mail.py" /dev/stdout "$n" |
        pell_deliver "$maildir/new/176500000$n.M${n}P1.notify"
done
port="$(cat "$fixture/port")"

# The character stands at 300,200; the list stays until it is closed.
ini="$out/run/Zeririvu.ini"
{
    pell_popup_settings "$port"
    printf 'Mesid=<e2e-notify-0@pell.test>,\r\n'
} >"$ini"

# Keep the pointer away from where the windows open.
xdotool mousemove 1000 700
pell_start_program "$out"

shoot() { pell_screenshot "$out/$1.png" "${4}x${5}+${2}+${3}"; }  # name X Y W H

list="$(pell_find_window 60 --onlyvisible --name '^POP9$')" || fail "the new-mail list did not appear"
sleep 0.5
read -r lx ly lw lh < <(pell_geometry "$list")
echo "list at $lx,$ly size ${lw}x${lh}"
shoot list-first "$lx" "$ly" "$lw" "$lh"
# Title and three messages, lines 12 pixels high (IPA Gothic at height 12).
[ "$lh" -eq $((4 * 12 + 5)) ] || fail "the list is ${lh} high, not four lines"

# The pointer on the second message highlights it.
xdotool mousemove $((lx + 60)) $((ly + 1 + 2 * 12 + 8))
sleep 0.6
shoot list "$lx" "$ly" "$lw" "$lh"
highlight="$(pell_count_colour "$out/list.png" '#FF4578')"
[ "$highlight" -gt 200 ] || fail "no highlighted line in list.png ($highlight pixels)"
echo "ok: the list shows the three mails, the second highlighted"

xdotool click 1
viewer="$(pell_find_window 10 --onlyvisible --name '^e2e-uidl-2$')" || fail "the viewer did not open"
sleep 0.5
read -r vx vy vw vh < <(pell_geometry "$viewer")
echo "viewer at $vx,$vy size ${vw}x${vh}"
shoot viewer "$vx" "$vy" "$vw" "$vh"
note="$(pell_count_colour "$out/viewer.png" '#0000BE')"
[ "$note" -gt 50 ] || fail "no head lines in viewer.png"
echo "ok: the viewer shows the second mail"

# Resting on the character opens the tooltip below the pointer; leaving the
# list closes the viewer on the way.
xdotool mousemove 316 216
sleep 0.2
xdotool mousemove 317 216
for _ in $(seq 150); do
    xdotool search --onlyvisible --name '^e2e-uidl-2$' >/dev/null 2>&1 || break
    sleep 0.1
done
pale=0
for _ in $(seq 50); do
    sleep 0.2
    shoot tooltip 300 200 300 80
    pale="$(pell_count_colour "$out/tooltip.png" '#FFFFBF')"
    [ "$pale" -gt 300 ] && break
done
import -window root "$out/screen.png"
# The display is shared: leave the pointer where no other test's character stands.
xdotool mousemove 1000 700
[ "$pale" -gt 300 ] || fail "no tooltip in tooltip.png ($pale pixels)"
echo "ok: the tooltip lists the account"

# The first line's viewer (the newest message) opens below and right of the
# pointer, over the second line. The pointer walks there in small steps, as a
# hand does, passing over the second line, and rests on it: the viewer stays.
px=$((lx + 60))
py=$((ly + 1 + 12 + 8))
xdotool mousemove "$px" "$py"
sleep 0.4
xdotool click 1
viewer="$(pell_find_window 10 --onlyvisible --name '^e2e-uidl-3$')" || fail "the first message's viewer did not open"
read -r vx vy vw vh < <(pell_geometry "$viewer")
# One xdotool run, so that the steps come at a hand's pace (10 ms apart).
walk=()
for step in $(seq 3 3 30); do
    walk+=(mousemove $((px + step)) $((py + step)) sleep 0.01)
done
xdotool "${walk[@]}"
sleep 0.8
xdotool search --onlyvisible --name '^e2e-uidl-3$' >/dev/null 2>&1 ||
    fail "the viewer closed or was replaced on the way"
shoot viewer-reached "$vx" "$vy" "$vw" "$vh"
echo "ok: the pointer reached the viewer and it stayed"

# Its menu copies the whole message; another program pastes it.
xdotool mousemove $((vx + 20)) $((vy + 20)) click 3
sleep 0.5
xdotool mousemove $((vx + 35)) $((vy + 28)) click 1
sleep 0.3
rm -f "$out/run/clipboard.txt"
(cd "$out/run" && wine "$probe" clipboard.txt) >/dev/null 2>&1 || fail "nothing was copied"
copied="$(iconv -f CP932 -t UTF-8 "$out/run/clipboard.txt" | tr -d '\r')"
for expected in "Subject: 週末の予定" "From: 鈴木" "今度の土曜日、天気が良ければ公園でお花見をしませんか。" \
    "お弁当は私が用意します。"; do
    grep -qF "$expected" <<<"$copied" || fail "the copied text lacks: $expected"
done
echo "ok: the viewer's menu copied the message"

# A press takes the viewer over: leaving both windows no longer closes it.
xdotool mousemove $((vx + 30)) $((vy + 30)) mousedown 1
sleep 0.2
xdotool mouseup 1
sleep 0.2
xdotool mousemove 1000 700
sleep 1
xdotool search --onlyvisible --name '^e2e-uidl-3$' >/dev/null 2>&1 ||
    fail "the viewer taken over closed when the pointer left"
echo "ok: the viewer taken over stays"
grep -q 'Mesid=<e2e-notify-3@pell.test>,<e2e-notify-2@pell.test>,<e2e-notify-1@pell.test>,' "$ini" ||
    fail "the seen mails were not recorded"
echo "PASS"
