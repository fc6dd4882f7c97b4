#!/usr/bin/env bash
# Code that must never run. A skin named on the command line, quoted as
# Explorer passes a path with blanks, is mapped as data in a first and in a
# second instance (its DllMain would leave a mark) and still shows; system
# libraries planted beside the program under their own names are not loaded
# when a TLS check needs them, although Wine is told to prefer such files.
#   untrusted_code_test.sh PellWatcher.exe window_probe.exe marker_skin.dll OUT
set -euo pipefail
exe="$1" probe="$2" marker="$3" out="$4"
. "$(dirname "$0")/../support/e2e_lib.sh"
pell_need wine python3 xdotool
pell_begin "$out" "$exe"
cp "$probe" "$out/window_probe.exe"
trap 'wine "$out/window_probe.exe" --close >/dev/null 2>&1 || true; pell_cleanup' EXIT
skins="$out/run/my skins"
mkdir -p "$skins"
cp "$marker" "$skins/first skin.dll"
cp "$marker" "$skins/second skin.dll"
planted=(iphlpapi secur32 crypt32)
for name in "${planted[@]}"; do cp "$marker" "$out/run/$name.dll"; done

# A server that accepts and hangs up: every check reads the connection table,
# connects and loads SChannel for its handshake, which then fails.
python3 - "$out/port" <<'PY' &
import os, socket, sys
server = socket.socket()
server.bind(("127.0.0.1", 0))
server.listen(8)
server.settimeout(120)
with open(sys.argv[1] + ".part", "w") as f:
    f.write(str(server.getsockname()[1]))
os.rename(sys.argv[1] + ".part", sys.argv[1])
while True:
    client, _ = server.accept()
    client.close()
PY
pell_track $!
pell_wait_file "$out/port" 10 || fail "the server did not start"
{
    printf '[Control]\r\nTaskTray=No\r\n[Poplist]\r\nCount=1\r\nList1=POP1\r\n'
    printf '[POP1]\r\nPopname=Home\r\nServer=127.0.0.1\r\nPort=%s\r\nSecurity=2\r\n' \
        "$(cat "$out/port")"
    printf 'User=pelltest\r\nPassword=\r\nCheck=Yes\r\nTimer=60\r\nOffsetTimer=1\r\nTimeOut=10\r\n'
} >"$out/run/Zeririvu.ini"

# Away from the character, whose pleased face would hide the skin's resting one.
xdotool mousemove 1000 700
overrides="$(IFS=,; echo "${planted[*]}")=n,b"
(cd "$out/run" && WINEDLLOVERRIDES="$overrides" WINEDEBUG=+loaddll,+module \
    exec wine PellWatcher.exe "$(winepath -w "$skins/first skin.dll")") >"$out/wine.log" 2>&1 &
pell_track $!
window="$(pell_character_window)" || fail "the character window did not appear"
# The fixture's frames: idle 36x28, error 32x32.
# Marks of code that ran, named after the module as it was loaded (any case).
marks() { find "$out/run" -iname "$1" 2>/dev/null; }
pell_wait_size "$window" 36x28 20 || fail "the skin does not show: the window is $pell_size"
[ -z "$(marks 'first skin.dll.loaded')" ] || fail "the command line's skin ran its code"

set +e
timeout 60 wine "$out/run/PellWatcher.exe" "$(winepath -w "$skins/second skin.dll")" >/dev/null 2>&1
code=$?
set -e
[ "$code" -eq 0 ] || fail "a second start with a skin gave $code"
took_skin() { grep -qiE '(Loaded|mapping PE file) L".*second skin\.dll"' "$out/wine.log"; }
pell_wait_until 10 took_skin || fail "the running instance did not take the second skin over"
[ -z "$(marks 'second skin.dll.loaded')" ] || fail "the handed-over skin ran its code"

pell_wait_size "$window" 32x32 60 || fail "the check did not end with the error face ($pell_size)"
for name in "${planted[@]}"; do
    [ -z "$(marks "$name.dll.loaded")" ] || fail "$name.dll beside the program was loaded"
    grep -qiE "Loaded L\"C:\\\\\\\\windows\\\\\\\\system32\\\\\\\\$name\\.dll\"" "$out/wine.log" ||
        fail "the check did not load the system's $name.dll (log: $out/wine.log)"
done
echo "PASS"
