#!/usr/bin/env bash
# A second start ends at once with exit code 0, handing a skin library named
# on its command line to the running character; MultiExe lets a second run.
# Usage: instance_control_test.sh PellWatcher.exe window_probe.exe skin.dll
set -euo pipefail
exe="$1" probe="$2" skin="$3"
. "$(dirname "$0")/../support/e2e_lib.sh"
pell_wine
pell_display
work="$(mktemp -d)"
trap 'wine "$work/window_probe.exe" --close >/dev/null 2>&1 || true; rm -rf "$work"; pell_cleanup' EXIT
cp "$exe" "$work/PellWatcher.exe"
cp "$probe" "$work/window_probe.exe"
cp "$skin" "$work/skin.dll"
printf '[Control]\r\nTaskTray=No\r\n' >"$work/Zeririvu.ini"
fail() { echo "FAIL: $*" >&2; exit 1; }

WINEDEBUG=+loaddll,+module wine "$work/PellWatcher.exe" 2>"$work/first.log" &
first=$!
wine "$work/window_probe.exe" || fail "the first instance never showed its window"

set +e
timeout 60 wine "$work/PellWatcher.exe" >/dev/null 2>&1
code=$?
set -e
[ "$code" -eq 0 ] || fail "a plain second start gave $code instead of ending with 0"
kill -0 "$first" 2>/dev/null || fail "the first instance ended"

skinpath="$(winepath -w "$work/skin.dll")"
set +e
timeout 60 wine "$work/PellWatcher.exe" "$skinpath" >/dev/null 2>&1
code=$?
set -e
[ "$code" -eq 0 ] || fail "a second start with a skin gave $code"
# The running character may load the skin as code or map it as data only.
took_skin() { grep -qiE '(Loaded|mapping PE file) L".*skin\.dll"' "$work/first.log"; }
pell_wait_until 10 took_skin || fail "the running instance did not take the skin over"

# MultiExe=Yes: the second start keeps running as a character of its own.
printf '[Control]\r\nTaskTray=No\r\nMultiExe=Yes\r\n' >"$work/Zeririvu.ini"
set +e
timeout 8 wine "$work/PellWatcher.exe" >/dev/null 2>&1
code=$?
set -e
[ "$code" -eq 124 ] || fail "with MultiExe=Yes a second start ended with $code"
echo "PASS"
