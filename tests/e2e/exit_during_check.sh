#!/usr/bin/env bash
# Exit while a check sits in a silent server: the program ends within 3 s,
# without a crash, and its settings file stays as it was.
#   exit_during_check.sh PellWatcher.exe window_probe.exe OUTPUT
set -euo pipefail
exe="$1"
probe="$2"
out="$3"
. "$(dirname "${BASH_SOURCE[0]}")/../support/e2e_lib.sh"
pell_need wine python3
pell_begin "$out" "$exe"
cp "$probe" "$out/window_probe.exe"

# A server that greets, reads the user name and then says nothing more.
python3 - "$out/port" "$out/asked" <<'PY' &
import os, socket, sys
server = socket.socket()
server.bind(("127.0.0.1", 0))
server.listen(4)
server.settimeout(120)
with open(sys.argv[1] + ".part", "w") as f:
    f.write(str(server.getsockname()[1]))
os.rename(sys.argv[1] + ".part", sys.argv[1])
client, _ = server.accept()
client.sendall(b"+OK silent server\r\n")
data = b""
while b"\r\n" not in data:
    chunk = client.recv(100)
    if not chunk:
        break
    data += chunk
with open(sys.argv[2], "wb") as f:
    f.write(data)
while client.recv(100):
    pass
PY
pell_track $!
pell_wait_file "$out/port" 10 || fail "the silent server did not start"

# No time-out: only the exit can end the check.
ini="$out/run/Zeririvu.ini"
printf '[Control]\r\nposx=300\r\nposy=200\r\nTaskTray=No\r\n[Poplist]\r\nCount=1\r\nList1=POP1\r\n' >"$ini"
printf '[POP1]\r\nPopname=Silent\r\nServer=127.0.0.1\r\nPort=%s\r\nUser=pelltest\r\n' \
    "$(cat "$out/port")" >>"$ini"
printf 'Check=Yes\r\nTimer=600\r\nOffsetTimer=1\r\nTimeOut=0\r\n' >>"$ini"

pell_start_program "$out"
pell_wait_file "$out/asked" 30 || true
grep -q '^USER pelltest' "$out/asked" 2>/dev/null || fail "the check never reached the server"
sleep 0.5
cp "$ini" "$out/settings-before.ini"

# Without a window manager the X driver waits 2 s for the hidden window to be
# withdrawn: most of the time measured here is that wait.
pell_end_program "$out"
[ "$pell_exit_ms" -lt 3000 ] || fail "ending took $pell_exit_ms ms"
cmp -s "$ini" "$out/settings-before.ini" || {
    diff "$out/settings-before.ini" "$ini" || true
    fail "the settings file changed at exit"
}
echo "PASS"
