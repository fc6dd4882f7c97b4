#!/usr/bin/env bash
# Builds PellWatcher.exe (x86_64) and runs it under Wine. Without a DISPLAY it
# starts Xvfb; after a few seconds it saves a screenshot as build/screenshot.png.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$root/scripts/setup.sh"
export PELL_BUILD_ROOT="${PELL_BUILD_ROOT:-$root/build}"
. "$root/scripts/wine-env.sh"
PELL_BUILD_TARGETS="PellWatcher" "$root/scripts/build.sh" win64
pell_wine_prefix
pell_ensure_display
trap 'if [ -n "${PELL_XVFB_PID:-}" ]; then kill "$PELL_XVFB_PID" 2>/dev/null || true; fi' EXIT
wine "$PELL_BUILD_ROOT/win64/PellWatcher.exe" "$@" &
app=$!
sleep "${PELL_SCREENSHOT_DELAY:-6}"
if import -window root "$PELL_BUILD_ROOT/screenshot.png" 2>/dev/null; then
    echo "Screenshot: $PELL_BUILD_ROOT/screenshot.png"
fi
wait "$app"
