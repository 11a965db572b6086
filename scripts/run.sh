#!/usr/bin/env bash
# Sets everything up, builds, and starts Tavelomatic Studio under Wine.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/build.sh"
exec "$root/scripts/wine-run" "${TVM_BUILD_DIR:-$root/build}/bin/tvmpro.exe" "$@"
