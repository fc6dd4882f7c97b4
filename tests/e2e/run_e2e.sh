#!/usr/bin/env bash
# End to end: PellWatcher.exe under Wine with two accounts on local POP3
# servers, one good and one whose port is closed. The character must cry while
# the bad account is in error, and hold up its letter once mail has arrived
# and the error is gone. The faces are judged by the window's size: the run
# uses the shape fixture skin, whose frames all differ in size. A screenshot
# of each face is kept in OUTPUT.
#   run_e2e.sh PellWatcher.exe pell_shape_fixture.dll OUTPUT [stand-in-worker]
set -euo pipefail
exe="$1"
skin="$2"
out="$3"
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
root="$(cd "$here/../.." && pwd)"
skip=77

if [ "${4:-}" = stand-in-worker ]; then
    echo "SKIP: this build checks no mailbox yet (the check worker is a stand-in)"
    exit $skip
fi
for tool in wine python3 xdotool import Xvfb; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is missing"; exit $skip; }
done

. "$root/scripts/wine-env.sh"
pell_wine_prefix

rm -rf "$out"
mkdir -p "$out/run" "$out/good" "$out/bad"
cp "$exe" "$skin" "$out/run/"
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    if [ -n "${PELL_XVFB_PID:-}" ]; then kill "$PELL_XVFB_PID" 2>/dev/null || true; fi
}
trap cleanup EXIT
trap "exit 1" INT TERM
pell_ensure_display

start_server() {  # folder port portfile
    python3 "$here/tiny_pop3.py" "$1" alice secret "$2" "$3" &
    pids+=($!)
    for _ in $(seq 100); do [ -s "$3" ] && return 0; sleep 0.1; done
    echo "FAIL: the POP3 server did not start"
    exit 1
}
free_port() {
    python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])'
}
scramble() {
    python3 -c '
import sys
key, out, k = b"Wexd", "", 0
for b in sys.argv[1].encode():
    for v in ((b >> 4) | (0xF0 if b & 0x80 else 0), b & 15):
        out += chr(v ^ key[k]); k = (k + 1) % 4
print(out)' "$1"
}

start_server "$out/good" 0 "$out/good.port"
good_port="$(cat "$out/good.port")"
bad_port="$(free_port)"
password="$(scramble secret)"

ini="$out/run/Zeririvu.ini"
{
    printf '[Control]\r\nposx=300\r\nposy=200\r\nTaskTray=No\r\nTopmost=Yes\r\n'
    printf '[Poplist]\r\nCount=2\r\nList1=POP1\r\nList2=POP2\r\n'
    n=1
    for port in "$good_port" "$bad_port"; do
        printf '[POP%d]\r\nPopname=Account%d\r\nServer=127.0.0.1\r\nPort=%s\r\n' $n $n "$port"
        printf 'User=alice\r\nPassword=%s\r\nCheck=Yes\r\nTimer=3\r\nOffsetTimer=%d\r\nTimeOut=20\r\n' \
            "$password" $n
        n=$((n + 1))
    done
} > "$ini"

(cd "$out/run" && exec wine PellWatcher.exe "$(basename "$skin")") >"$out/wine.log" 2>&1 &
pids+=($!)

window=""
for _ in $(seq 200); do
    window="$(xdotool search --name '^Pell32 VESK$' 2>/dev/null | head -1 || true)"
    [ -n "$window" ] && break
    sleep 0.1
done
[ -n "$window" ] || { echo "FAIL: the character window did not appear"; exit 1; }

size_of() {
    xdotool getwindowgeometry "$window" | sed -n 's/.*Geometry: //p'
}
# Waits until the window has the given size; keeps a screenshot of it.
expect_face() {  # name size seconds
    local size=""
    for _ in $(seq $(($3 * 5))); do
        size="$(size_of)"
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

# Frame sizes of the fixture skin: idle 36x28, error 32x32, letter 24x40.
expect_face idle 36x28 20
expect_face crying 32x32 60

# Mail arrives at the good account and the bad account's server comes up.
printf 'From: Bob <bob@example.com>\nTo: alice@example.com\nSubject: hello\nDate: Mon, 7 Dec 2026 05:00:00 +0000\nMessage-ID: <e2e-1@example.com>\n\nHi Alice.\n' \
    > "$out/good/0001.eml"
start_server "$out/bad" "$bad_port" "$out/bad.port"
expect_face letter 24x40 60

grep -q 'Mesid=<e2e-1@example.com>,' "$ini" || { echo "FAIL: the seen message was not recorded"; exit 1; }
echo "PASS"
