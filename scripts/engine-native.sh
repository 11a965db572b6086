#!/usr/bin/env bash
# Builds the player's portable engine and its tests natively on Linux and runs
# them: quick, and a check that the engine needs nothing of Windows. Each
# compiler builds in a folder of its own under the build folder.
#
#   engine-native.sh [g++|clang++]...    default: g++
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
compilers=("$@")
[ ${#compilers[@]} -gt 0 ] || compilers=(g++)
for cxx in "${compilers[@]}"; do
  build=${TVM_BUILD_DIR:-$root/build}/native-$cxx
  if [ ! -f "$build/build.ninja" ]; then
    cmake -S "$root/tests/native" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_COMPILER="$cxx"
  fi
  echo "engine: $cxx in $build"
  cmake --build "$build" -j "$(nproc)"
  (cd "$build" && ctest --output-on-failure)
done
