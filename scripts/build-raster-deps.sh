#!/usr/bin/env bash
# Cross-builds the player's rasterizer, pixman and cairo's image backend, as
# static libraries from Debian's source packages. A stage of its own beside
# build-deps.sh, with its own cache folder and key, so that changing it never
# rebuilds FFmpeg and the rest.
#
#   build-raster-deps.sh ARCH                 build (or reuse) and print the prefix last
#   build-raster-deps.sh ARCH --print-prefix  print where the prefix is, build nothing
# ARCH is x64 or x86.
set -euo pipefail

arch=${1:-}
case $arch in
  x64) host=x86_64-w64-mingw32 ;;
  x86) host=i686-w64-mingw32 ;;
  *) echo "usage: build-raster-deps.sh x64|x86 [--print-prefix]" >&2; exit 2 ;;
esac
shift
cc=$host-gcc-posix
sources=(pixman cairo)
cache=${TVM_CACHE:-$HOME/.cache/tavelomatic}
jobs=$(nproc)

source_version() {
  apt-cache showsrc --only-source "$1" 2>/dev/null | awk '/^Version:/{print $2}' | sort -V | tail -n 1
}

cache_key() {
  {
    cat "$0"
    echo "$arch"
    for p in "${sources[@]}"; do echo "$p $(source_version "$p")"; done
    $cc --version | head -n 1
  } | sha256sum | cut -c1-16
}

prefix=$cache/raster-$arch-$(cache_key)
if [ "${1:-}" = --print-prefix ]; then echo "$prefix"; exit 0; fi
if [ -f "$prefix/.complete" ]; then echo "$prefix"; exit 0; fi

work=$cache/raster-work-$arch
rm -rf "$work" "$prefix"
mkdir -p "$work/logs" "$prefix"
export PKG_CONFIG_LIBDIR=$prefix/lib/pkgconfig
export PKG_CONFIG_PATH=

# Fortified calls would need libssp at link time; the player does without.
configure_static() {
  CC=$cc CFLAGS="-O2 -U_FORTIFY_SOURCE -D_FORTIFY_SOURCE=0" \
    ./configure --host=$host --prefix="$prefix" --enable-static --disable-shared "$@"
}

build_pixman() {
  configure_static --disable-gtk --disable-libpng --disable-openmp
  make -j"$jobs" -C pixman install
  make install-pkgconfigDATA
}

# Only the image backend and the Windows font face are used; every other
# backend and feature is left out. Debian's patches touch configure.ac and
# Makefile.am, which only matters to Debian's own build: dating the
# generated files after them keeps make from regenerating them.
build_cairo() {
  find . -exec touch -d 2000-01-01 {} +
  touch -d 2000-01-02 aclocal.m4
  touch -d 2000-01-03 configure config.h.in
  find . -name Makefile.in -exec touch -d 2000-01-03 {} +
  # Its tmpfile() stand-in serves only the PostScript backend, left out here,
  # and would import CreateFileW past the program's bindings of the player.
  sed -i 's|^#if !_WIN32_WCE$|#if 0|' src/cairo-misc.c
  configure_static --enable-win32 --enable-win32-font --disable-xlib --disable-xcb --disable-ft \
    --disable-fc --disable-png --disable-svg --disable-pdf --disable-ps --disable-script \
    --disable-interpreter --disable-trace --disable-gobject --disable-valgrind --disable-full-testing
  make -j"$jobs" -C src install
}

# apt-get source unpacks nothing when a package's Debian diff is not served;
# the original tarball is all the build needs.
unpack() {
  (cd "$work" && apt-get source -q "$1" >/dev/null 2>&1) || true
  local dir
  dir=$(find "$work" -maxdepth 1 -mindepth 1 -type d -name "$1-*" | head -n 1)
  if [ -z "$dir" ]; then
    tar -xf "$(find "$work" -maxdepth 1 -name "$1_*.orig.tar.*" | head -n 1)" -C "$work"
    dir=$(find "$work" -maxdepth 1 -mindepth 1 -type d -name "$1-*" | head -n 1)
  fi
  echo "$dir"
}

for p in "${sources[@]}"; do
  version=$(source_version "$p")
  [ -n "$version" ] || { echo "raster: no source package '$p' (is deb-src configured? run scripts/setup.sh)" >&2; exit 1; }
  echo "raster: building $p $version"
  log=$work/logs/$p.log
  set +e
  (
    set -e
    dir=$(unpack "$p")
    [ -n "$dir" ] || { echo "no source folder for $p"; exit 1; }
    cd "$dir"
    set -x
    "build_$p"
  ) >"$log" 2>&1
  rc=$?
  set -e
  if [ $rc -ne 0 ]; then
    echo "raster: building $p failed; the last lines of $log:" >&2
    tail -n 40 "$log" >&2 || true
    exit 1
  fi
done
touch "$prefix/.complete"
rm -rf "$work"
echo "$prefix"
