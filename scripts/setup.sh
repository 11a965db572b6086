#!/usr/bin/env bash
# Prepares a Debian 12 machine (as root) for building and testing, then builds
# the third-party libraries and DLLs for each architecture named (default: those the machine
# runs). Safe to run again: what is already there is only checked.
#
#   setup.sh [x64] [x86]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/arch.sh"
arches=("$@")
[ ${#arches[@]} -gt 0 ] || read -ra arches <<<"$(runnable_arches)"

packages=(
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix mingw-w64-tools
  wine wine64 libasound2 xvfb xauth
  cmake ninja-build nasm yasm pkg-config autoconf automake libtool make
  python3 dpkg-dev ffmpeg googletest libz-mingw-w64-dev
  g++ clang libclang-rt-14-dev zlib1g-dev liblzma-dev libcairo2-dev libjpeg-dev
)
# 32-bit Windows programs run through wine32, which only a kernel that runs
# 32-bit x86 code can start; its Direct3D draws through 32-bit OpenGL.
if machine_runs_x86; then
  packages+=(wine32:i386 libasound2:i386 libgl1:i386 libglx-mesa0:i386 libgl1-mesa-dri:i386)
fi

as_root() { if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi; }

ensure_i386() {
  dpkg --print-foreign-architectures | grep -qx i386 && return 0
  echo "setup: adding the i386 architecture"
  as_root dpkg --add-architecture i386
  need_update=1
}

# deb-src for the very archive apt already uses, so 'apt-get source' gets the
# same versions that the binary packages have.
ensure_deb_src() {
  local f=/etc/apt/sources.list.d/debian.sources
  if [ -f "$f" ]; then
    grep -q '^Types:.*deb-src' "$f" && return 0
    echo "setup: adding deb-src to $f"
    as_root sed -i 's/^Types: deb$/Types: deb deb-src/' "$f"
  else
    local src=/etc/apt/sources.list.d/tavelomatic-src.list
    [ -f "$src" ] && return 0
    echo "setup: adding $src"
    grep -h '^deb ' /etc/apt/sources.list | sed 's/^deb /deb-src /' | as_root tee "$src" >/dev/null
  fi
  need_update=1
}

missing_packages() {
  local p
  for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}\n' "$p" 2>/dev/null | grep -q 'install ok installed' || echo "$p"
  done
}

need_update=0
if machine_runs_x86; then ensure_i386; fi
ensure_deb_src
missing=$(missing_packages)
if [ -n "$missing" ] || [ "$need_update" = 1 ]; then
  as_root apt-get update -q
fi
if [ -n "$missing" ]; then
  echo "setup: installing" $missing
  DEBIAN_FRONTEND=noninteractive as_root apt-get install -y -q --no-install-recommends $missing
fi

for arch in "${arches[@]}"; do
  "$here/build-deps.sh" "$arch"
  "$here/build-raster-deps.sh" "$arch"
done
