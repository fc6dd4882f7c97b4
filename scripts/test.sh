#!/usr/bin/env bash
# Runs every test: format check, Linux unit tests, the same under ASan+UBSan,
# fuzz targets, both Windows builds, the Windows tests under Wine + Xvfb (the
# two-minute soak included), and the release package.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"
"$root/scripts/setup.sh"

export PELL_BUILD_ROOT="${PELL_BUILD_ROOT:-$root/build}"
. "$root/scripts/wine-env.sh"
mkdir -p "$PELL_BUILD_ROOT"
jobs="$(nproc)"
# Stage headers carry the minutes and seconds since the start.
stage() { printf '== %s (at %dm%02ds)\n' "$1" $((SECONDS / 60)) $((SECONDS % 60)); }

cleanup() {
    wineserver -k >/dev/null 2>&1 || true
    if [ -n "${PELL_XVFB_PID:-}" ]; then kill "$PELL_XVFB_PID" 2>/dev/null || true; fi
}
trap cleanup EXIT

stage "format"
mapfile -t sources < <(git ls-files -co --exclude-standard -- '*.cpp' '*.h' '*.cc' | grep -v '^build')
if ! clang-format --dry-run --Werror "${sources[@]}"; then
    echo "clang-format: run  clang-format -i  on the files above" >&2
    exit 1
fi

# The Wine prefix is made while the Linux builds compile.
(pell_wine_prefix) &
prefix_pid=$!

stage "Linux build and unit tests"
"$root/scripts/build.sh" host -DPELL_BUILD_BENCH=ON
ctest --test-dir "$PELL_BUILD_ROOT/host" -j "$jobs" --output-on-failure

stage "Linux unit tests under AddressSanitizer and UndefinedBehaviorSanitizer"
"$root/scripts/build.sh" asan -DPELL_BUILD_BENCH=OFF
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --test-dir "$PELL_BUILD_ROOT/asan" -j "$jobs" --output-on-failure -LE integration

if [ -x "$root/fuzz/run.sh" ]; then
    stage "fuzz targets"
    "$root/fuzz/run.sh" "$PELL_BUILD_ROOT/fuzz"
fi

stage "Windows builds (i686: the programs; x86_64: everything, tests included)"
PELL_BUILD_TARGETS="PellWatcher pellcheck" "$root/scripts/build.sh" win32
"$root/scripts/build.sh" win64

stage "Windows tests under Wine"
wait "$prefix_pid" || true
pell_ensure_display
ctest --test-dir "$PELL_BUILD_ROOT/win64" -j "$jobs" --output-on-failure

stage "Release package"
"$root/scripts/package.sh"
version="$(sed -n 's/^project(PellWatcher VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")"
"$root/tests/release/check_package.sh" "$root/dist/PellWatcher-$version.zip" \
    "$PELL_BUILD_ROOT/win64/tests/window_probe.exe"
stage "done"
