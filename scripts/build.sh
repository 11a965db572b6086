#!/usr/bin/env bash
# Sets the machine up (once), then configures and builds incrementally, one
# build folder per architecture (build/x64, build/x86).
#
#   build.sh [x64] [x86]    default: TVM_ARCH when set, else what the machine runs
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/arch.sh"
arches=("$@")
if [ ${#arches[@]} -eq 0 ]; then
  list=$(selected_arches $(runnable_arches))
  read -ra arches <<<"$list"
fi

"$root/scripts/setup.sh" "${arches[@]}"
for arch in "${arches[@]}"; do
  deps=$("$root/scripts/build-deps.sh" "$arch" --print-prefix)
  raster=$("$root/scripts/build-raster-deps.sh" "$arch" --print-prefix)
  build=$(arch_build_dir "$arch")
  if [ ! -f "$build/build.ninja" ] || ! grep -qx "TVM_DEPS:PATH=$deps" "$build/CMakeCache.txt" \
    || ! grep -qx "TVM_RASTER_DEPS:PATH=$raster" "$build/CMakeCache.txt"; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-$arch.cmake" -DTVM_DEPS="$deps" -DTVM_RASTER_DEPS="$raster"
  fi
  echo "build: $arch in $build"
  cmake --build "$build" -j "$(nproc)"
done
