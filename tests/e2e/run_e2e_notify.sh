#!/usr/bin/env bash
# End to end: PellWatcher.exe under Wine with pop-ups on, against the test
# Dovecot server. Three mails with Japanese senders, subjects and bodies are
# waiting; the first check opens the new-mail list, the pointer (xdotool)
# highlights the second message and clicks it, and its viewer opens; resting
# on the character opens the tooltip. Screenshots of the three windows are kept
# in OUTPUT (list.png, viewer.png, tooltip.png).
#   run_e2e_notify.sh PellWatcher.exe DOVECOT_DIR OUTPUT
set -euo pipefail
exe="$1"
fixture="$2"
out="$3"
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
root="$(cd "$here/../.." && pwd)"
skip=77

for tool in wine python3 xdotool import convert Xvfb; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is missing"; exit $skip; }
done
[ -s "$fixture/port" ] || { echo "SKIP: the test Dovecot server is not running"; exit $skip; }

. "$root/scripts/wine-env.sh"
pell_wine_prefix

rm -rf "$out"
mkdir -p "$out/run"
cp "$exe" "$out/run/"
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    if [ -n "${PELL_XVFB_PID:-}" ]; then kill "$PELL_XVFB_PID" 2>/dev/null || true; fi
}
trap cleanup EXIT
trap "exit 1" INT TERM
pell_ensure_display

maildir="$fixture/home/Maildir"
find "$maildir/new" "$maildir/cur" -type f -delete
# An older mail the program has seen already, then three new ones.
printf 'Message-ID: <e2e-notify-0@pell.test>\r\nFrom: old@pell.test\r\nSubject: old\r\n\r\nold\r\n' \
    >"$maildir/new/1765000000.M0P1.notify"
for n in 1 2 3; do
    python3 "$here/make_japanese_mail.py" "$maildir/new/176500000$n.M${n}P1.notify" "$n"
done
for file in "$maildir"/new/*.notify; do
    chown pellmail:pellmail "$file" 2>/dev/null || true
done
port="$(cat "$fixture/port")"
password="$(python3 -c '
import sys
key, out, k = b"Wexd", "", 0
for b in sys.argv[1].encode():
    for v in ((b >> 4) | (0xF0 if b & 0x80 else 0), b & 15):
        out += chr(v ^ key[k]); k = (k + 1) % 4
print(out)' pw-Secret9)"

# The character stands at 300,200; the list stays until it is closed.
ini="$out/run/Zeririvu.ini"
{
    printf '[Control]\r\nposx=300\r\nposy=200\r\nTaskTray=No\r\nTopmost=Yes\r\n'
    printf 'ToolTipDelay=5\r\nToolTipKillDelay=100\r\n'
    printf '[Poplist]\r\nCount=1\r\nList1=POP9\r\n'
    printf '[POP9]\r\nPopname=Account1\r\nServer=127.0.0.1\r\nPort=%s\r\n' "$port"
    printf 'User=pelltest\r\nPassword=%s\r\nCheck=Yes\r\nTimer=600\r\nOffsetTimer=1\r\n' "$password"
    printf 'TimeOut=20\r\nPopup=Yes\r\nPopupSubj=Yes\r\nPopupBody=Yes\r\n'
    printf 'Mesid=<e2e-notify-0@pell.test>,\r\n'
} >"$ini"

# Keep the pointer away from where the windows open.
xdotool mousemove 1000 700
(cd "$out/run" && exec wine PellWatcher.exe) >"$out/wine.log" 2>&1 &
pids+=($!)

find_window() {  # title seconds
    local found=""
    for _ in $(seq $(($2 * 10))); do
        found="$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -1 || true)"
        [ -n "$found" ] && { echo "$found"; return 0; }
        sleep 0.1
    done
    return 1
}
geometry() {  # window -> "X Y W H"
    xdotool getwindowgeometry --shell "$1" | awk -F= '
        /^X=/ {x=$2} /^Y=/ {y=$2} /^WIDTH=/ {w=$2} /^HEIGHT=/ {h=$2}
        END {print x, y, w, h}'
}
shoot() {  # name X Y W H
    import -window root -crop "${4}x${5}+${2}+${3}" +repage "$out/$1.png"
}
# Pixels of a colour (#RRGGBB) in a screenshot.
count_colour() {  # file colour
    convert "$1" -fuzz 3% -fill white -opaque "$2" -fill black +opaque white \
        -format '%[fx:round(mean*w*h)]' info:
}

list="$(find_window POP9 60)" || { echo "FAIL: the new-mail list did not appear"; exit 1; }
sleep 0.5
read -r lx ly lw lh < <(geometry "$list")
echo "list at $lx,$ly size ${lw}x${lh}"
shoot list-first "$lx" "$ly" "$lw" "$lh"
# Title and three messages, lines 12 pixels high (IPA Gothic at height 12).
[ "$lh" -eq $((4 * 12 + 5)) ] || { echo "FAIL: the list is ${lh} high, not four lines"; exit 1; }

# The pointer on the second message highlights it.
xdotool mousemove $((lx + 60)) $((ly + 1 + 2 * 12 + 8))
sleep 0.6
shoot list "$lx" "$ly" "$lw" "$lh"
highlight="$(count_colour "$out/list.png" '#FF4578')"
[ "$highlight" -gt 200 ] || { echo "FAIL: no highlighted line in list.png ($highlight pixels)"; exit 1; }
echo "ok: the list shows the three mails, the second highlighted"

xdotool click 1
viewer="$(find_window e2e-uidl-2 10)" || { echo "FAIL: the viewer did not open"; exit 1; }
sleep 0.5
read -r vx vy vw vh < <(geometry "$viewer")
echo "viewer at $vx,$vy size ${vw}x${vh}"
shoot viewer "$vx" "$vy" "$vw" "$vh"
note="$(count_colour "$out/viewer.png" '#0000BE')"
[ "$note" -gt 50 ] || { echo "FAIL: no head lines in viewer.png"; exit 1; }
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
    pale="$(count_colour "$out/tooltip.png" '#FFFFBF')"
    [ "$pale" -gt 300 ] && break
done
import -window root "$out/screen.png"
[ "$pale" -gt 300 ] || { echo "FAIL: no tooltip in tooltip.png ($pale pixels)"; exit 1; }
echo "ok: the tooltip lists the account"
grep -q 'Mesid=<e2e-notify-3@pell.test>,<e2e-notify-2@pell.test>,<e2e-notify-1@pell.test>,' "$ini" || { echo "FAIL: the seen mails were not recorded"; exit 1; }
echo "PASS"
