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
cp "$exe" "$skin" "$out/run/"
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
good_port="$(cat "$fixture/port")"
good_server=127.0.0.1
good_security=0
if [ "$mode" = tls ]; then
    good_port="$(cat "$fixture/tls_port")"
    good_server=localhost
    good_security=2
fi
bad_port="$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')"
password="$(python3 -c '
import sys
key, out, k = b"Wexd", "", 0
for b in sys.argv[1].encode():
    for v in ((b >> 4) | (0xF0 if b & 0x80 else 0), b & 15):
        out += chr(v ^ key[k]); k = (k + 1) % 4
print(out)' pw-Secret9)"

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

(cd "$out/run" && exec wine PellWatcher.exe "$(basename "$skin")") >"$out/wine.log" 2>&1 &
pids+=($!)

window=""
for _ in $(seq 300); do
    window="$(xdotool search --name '^Pell32 VESK$' 2>/dev/null | head -1 || true)"
    [ -n "$window" ] && break
    sleep 0.1
done
[ -n "$window" ] || { echo "FAIL: the character window did not appear"; exit 1; }

# Waits until the window has the given size; keeps a screenshot of it.
expect_face() {  # name size seconds
    local size=""
    for _ in $(seq $(($3 * 5))); do
        size="$(xdotool getwindowgeometry "$window" | sed -n 's/.*Geometry: //p')"
        if [ "$size" = "$2" ]; then
            sleep 0.3
            import -window root -crop "${2}+300+200" "$out/face-$1.png"
            echo "ok: $1 face ($2)"
            return 0
        fi
        sleep 0.2
    done
    echo "FAIL: expected the $1 face ($2), the window is $size"
    exit 1
}

# Frame sizes of the fixture skin: idle 36x28, letter 24x40, error 32x32.
expect_face idle 36x28 20
file="$maildir/new/0000000001.M1P1.pelltest"
printf 'Message-ID: <e2e-1@pell.test>\r\nFrom: Bob <bob@pell.test>\r\nTo: pelltest@pell.test\r\nSubject: hello\r\nDate: Mon, 7 Dec 2026 05:00:00 +0000\r\n\r\nHi.\r\n' \
    >"$file"
chown pellmail:pellmail "$file" 2>/dev/null || true
expect_face letter 24x40 60
expect_face crying 32x32 60

grep -q 'Mesid=<e2e-1@pell.test>,' "$ini" || { echo "FAIL: the seen message was not recorded"; exit 1; }
echo "PASS"
