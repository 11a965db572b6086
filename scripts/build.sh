#!/usr/bin/env bash
# Sets the machine up (once), then configures and builds incrementally into build/.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
deps=$("$root/scripts/build-deps.sh" --print-prefix)
build=${TVM_BUILD_DIR:-$root/build}
if [ ! -f "$build/build.ninja" ] || ! grep -qx "TVM_DEPS:PATH=$deps" "$build/CMakeCache.txt"; then
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" -DTVM_DEPS="$deps"
fi
cmake --build "$build" -j "$(nproc)"
