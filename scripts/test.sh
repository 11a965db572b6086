#!/usr/bin/env bash
# Sets everything up, builds, runs the player engine's native tests, and runs
# every test under Wine on one private X server: for x64 always, for x86 too
# where the machine runs 32-bit x86 code.
# TVM_ARCH picks one of them. Further arguments go to ctest.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/arch.sh"
list=$(selected_arches $(runnable_arches))
read -ra arches <<<"$list"
"$root/scripts/build.sh" "${arches[@]}"
# The player's engine natively first: seconds, and no Wine needed.
"$root/scripts/engine-native.sh"
# Every parser of outside data fuzzed a short while from its seeds alone, so
# that a fault a seed once found, or a new one near them, shows at once.
TVM_FUZZ_SEEDS_ONLY=1 "$root/scripts/fuzz.sh" all 30
if [ "${TVM_ARCH:-}" = x86 ] && ! machine_runs_x86; then
  echo "test: x86 built; its tests cannot run here, this machine runs no 32-bit x86 code" >&2
  exit 1
fi

. "$root/scripts/xvfb.sh"
cleanup() {
  local arch
  for arch in "${arches[@]}"; do
    WINEPREFIX=$(arch_build_dir "$arch")/wineprefix wineserver -k 2>/dev/null || true
  done
  stop_private_xvfb
}
trap cleanup EXIT
start_private_xvfb 160 220

status=0
for arch in "${arches[@]}"; do
  echo "test: $arch"
  # One Wine prefix serves every test; make it before tests start side by side.
  "$root/scripts/wine-run" --arch "$arch" cmd /c exit 0
  # A hung test fails on its own instead of holding up the whole run.
  (cd "$(arch_build_dir "$arch")" && ctest --output-on-failure --timeout 300 -j "$(nproc)" "$@") || status=1
done
exit $status
