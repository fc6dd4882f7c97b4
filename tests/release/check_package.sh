#!/usr/bin/env bash
# The release archive as a user gets it: the expected files, the guide in
# Shift_JIS with CR LF, a program of at most 1 MB that starts from the
# unpacked folder with the example skin and closes when asked.
#   check_package.sh dist/PellWatcher-VERSION.zip window_probe.exe
set -euo pipefail
zip="$1"
probe="$2"
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
fail() { echo "FAIL: $*" >&2; exit 1; }
work="$(mktemp -d)"
app=""
cleanup() {
    if [ -n "$app" ]; then kill "$app" 2>/dev/null || true; fi
    rm -rf "$work"
}
trap cleanup EXIT

name="$(basename "$zip" .zip)"
unzip -q "$zip" -d "$work"
dir="$work/$name"
for file in PellWatcher.exe pellcheck.exe skins/mint.dll Readme.txt; do
    [ -s "$dir/$file" ] || fail "$file is missing from $zip"
done
size="$(stat -c %s "$dir/PellWatcher.exe")"
[ "$size" -le 1048576 ] || fail "PellWatcher.exe is $size bytes, above 1 MB"
iconv -f CP932 -t UTF-8 "$dir/Readme.txt" >/dev/null || fail "Readme.txt is not Shift_JIS"
grep -q $'\r$' "$dir/Readme.txt" || fail "Readme.txt has no CR LF line ends"
if x86_64-w64-mingw32-objdump -h "$dir/PellWatcher.exe" | grep -q '\.debug'; then
    fail "PellWatcher.exe is not stripped"
fi

. "$root/scripts/wine-env.sh"
pell_wine_prefix
printf '[Control]\r\nTaskTray=No\r\nMultiExe=Yes\r\n' >"$dir/Zeririvu.ini"
(cd "$dir" && exec wine PellWatcher.exe "$(winepath -w "$dir/skins/mint.dll")") >/dev/null 2>&1 &
app=$!
wine "$probe" || fail "the packaged program showed no character"
wine "$probe" --close >/dev/null 2>&1 || true
for _ in $(seq 100); do kill -0 "$app" 2>/dev/null || break; sleep 0.1; done
kill -0 "$app" 2>/dev/null && fail "the packaged program did not close"
app=""
echo "PASS: $name.zip ($size bytes of program)"
