#!/usr/bin/env bash
# Makes the release a user installs: dist/PellWatcher-VERSION.zip with a
# stripped release build of PellWatcher.exe and pellcheck.exe (x86_64), the
# example skin and the guide in Japanese (Shift_JIS, CR LF).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$root/scripts/setup.sh"
export PELL_BUILD_ROOT="${PELL_BUILD_ROOT:-$root/build}"
version="$(sed -n 's/^project(PellWatcher VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")"
[ -n "$version" ] || { echo "package.sh: no version in CMakeLists.txt" >&2; exit 1; }
name="PellWatcher-$version"
dist="$root/dist"
build="$PELL_BUILD_ROOT/release"

PELL_BUILD_TARGETS="PellWatcher pellcheck pelltestskin" "$root/scripts/build.sh" release

stage="$(mktemp -d)"
trap 'rm -rf "$stage"' EXIT
mkdir -p "$stage/$name/skins"
strip=x86_64-w64-mingw32-strip
"$strip" -o "$stage/$name/PellWatcher.exe" "$build/PellWatcher.exe"
"$strip" -o "$stage/$name/pellcheck.exe" "$build/src/cli/pellcheck.exe"
cp "$build/pell_testskin.dll" "$stage/$name/skins/mint.dll"
# The guide: Shift_JIS with CR LF, as Notepad of every version reads it.
sed "s/@VERSION@/$version/" "$root/src/resources/release/Readme.txt" |
    iconv -f UTF-8 -t CP932 | sed 's/$/\r/' >"$stage/$name/Readme.txt"

# The files carry the time of the last commit, so that the same sources give
# the same archive.
stamp="$(git -C "$root" log -1 --format=%cd --date=format:%Y%m%d%H%M.%S 2>/dev/null || true)"
if [ -n "$stamp" ]; then
    find "$stage/$name" -exec touch -t "$stamp" {} +
fi
mkdir -p "$dist"
rm -f "$dist/$name.zip"
(cd "$stage" && zip -q -X -r "$dist/$name.zip" "$name")

size="$(stat -c %s "$stage/$name/PellWatcher.exe")"
echo "Package: $dist/$name.zip ($(stat -c %s "$dist/$name.zip") bytes)"
echo "  PellWatcher.exe $size bytes, pellcheck.exe $(stat -c %s "$stage/$name/pellcheck.exe") bytes"
if [ "$size" -gt 1048576 ]; then
    echo "package.sh: warning: PellWatcher.exe is above 1 MB" >&2
fi
