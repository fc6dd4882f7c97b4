#!/usr/bin/env bash
# Runs one Windows program under Wine in the build's private prefix (CTest's
# emulator for the cross-compiled tests).
set -euo pipefail
. "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"
pell_wine_prefix
exec wine "$@"
