#!/usr/bin/env bash
# Sets everything up, builds, and starts Tavelomatic Studio under Wine: the
# x64 program, or the x86 one with TVM_ARCH=x86 where the machine runs it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/arch.sh"
arch=$(selected_arches x64)
"$root/scripts/build.sh" "$arch"
exec "$root/scripts/wine-run" --arch "$arch" "$(arch_build_dir "$arch")/bin/tvmpro.exe" "$@"
