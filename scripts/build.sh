#!/usr/bin/env bash
# Configures and builds one build folder: build.sh NAME [cmake options...]
#   host   Linux, g++            asan   Linux, g++ with ASan+UBSan
#   win64  x86_64 MinGW-w64      win32  i686 MinGW-w64
#   release  x86_64 MinGW-w64, optimised, without tests (what scripts/package.sh ships)
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
name="$1"
shift
dir="${PELL_BUILD_ROOT:-$root/build}/$name"
args=(-S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo)
case "$name" in
    host) ;;
    asan) args+=(-DPELL_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug) ;;
    win64) args+=(-DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-x86_64-w64-mingw32.cmake") ;;
    win32) args+=(-DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-i686-w64-mingw32.cmake") ;;
    release) args+=(-DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-x86_64-w64-mingw32.cmake"
                    -DCMAKE_BUILD_TYPE=Release -DPELL_BUILD_TESTS=OFF) ;;
    *) echo "build.sh: unknown build $name" >&2; exit 2 ;;
esac
if [ ! -f "$dir/CMakeCache.txt" ]; then
    cmake "${args[@]}" "$@" >/dev/null
else
    cmake "$dir" "$@" >/dev/null
fi
# PELL_BUILD_TARGETS limits the build to some targets (for example PellWatcher).
targets=()
for t in ${PELL_BUILD_TARGETS:-}; do targets+=(--target "$t"); done
cmake --build "$dir" -j "$(nproc)" "${targets[@]}"
