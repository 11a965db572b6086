#!/usr/bin/env bash
# Sets everything up, builds, and runs every test under Wine on one private X server.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/build.sh"
build=${TVM_BUILD_DIR:-$root/build}

. "$root/scripts/xvfb.sh"
cleanup() {
  WINEPREFIX=$build/wineprefix wineserver -k 2>/dev/null || true
  stop_private_xvfb
}
trap cleanup EXIT
start_private_xvfb 160 220

# One Wine prefix serves every test; make it before tests start side by side.
"$root/scripts/wine-run" cmd /c exit 0
cd "$build"
# A hung test fails on its own instead of holding up the whole run.
ctest --output-on-failure --timeout 300 -j "$(nproc)" "$@"
