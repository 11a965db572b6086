#!/usr/bin/env bash
# Cross-builds the third-party libraries for one Windows architecture from
# Debian's source packages into a cache outside the repository. The cache
# folder is named after the architecture and a hash of this script, the source
# versions and the compiler, so a second run with nothing changed only checks
# and returns.
#
#   build-deps.sh ARCH                 build (or reuse) and print the prefix last
#   build-deps.sh ARCH --print-prefix  print where the prefix is, build nothing
# ARCH is x64 or x86.
set -euo pipefail

arch=${1:-}
case $arch in
  x64) host=x86_64-w64-mingw32; ffmpeg_arch=x86_64; cmake_processor=AMD64 ;;
  x86) host=i686-w64-mingw32; ffmpeg_arch=x86; cmake_processor=X86 ;;
  *) echo "usage: build-deps.sh x64|x86 [--print-prefix]" >&2; exit 2 ;;
esac
shift
cc=$host-gcc-posix
cxx=$host-g++-posix
sources=(xz-utils libjpeg-turbo lame libogg libvorbis libtheora x264 opencore-amr ffmpeg)
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
    dpkg-query -W -f='${Version}\n' libz-mingw-w64-dev
    $cc --version | head -n 1
  } | sha256sum | cut -c1-16
}

prefix=$cache/deps-$arch-$(cache_key)
if [ "${1:-}" = --print-prefix ]; then echo "$prefix"; exit 0; fi
if [ -f "$prefix/.complete" ]; then echo "$prefix"; exit 0; fi

for p in "${sources[@]}"; do
  [ -n "$(source_version "$p")" ] || { echo "deps: no source package '$p' (is deb-src configured? run scripts/setup.sh)" >&2; exit 1; }
done

work=$cache/work-$arch
rm -rf "$work" "$prefix"
mkdir -p "$work/logs" "$prefix"
export PKG_CONFIG_LIBDIR=$prefix/lib/pkgconfig
export PKG_CONFIG_PATH=
common_cflags="-O2 -I$prefix/include"
common_ldflags="-L$prefix/lib"

fetch() {
  (cd "$work" && apt-get source -q "$1" >/dev/null 2>&1) || return 1
  find "$work" -maxdepth 1 -mindepth 1 -type d -name "$1-*" | head -n 1
}

autotools_static() {
  CC=$cc CXX=$cxx CFLAGS="$common_cflags" CXXFLAGS="$common_cflags" LDFLAGS="$common_ldflags" \
    ./configure --host=$host --prefix="$prefix" --enable-static --disable-shared "$@"
}

build_xz-utils() {
  autotools_static --disable-threads --disable-xz --disable-xzdec --disable-lzmadec \
    --disable-lzmainfo --disable-lzma-links --disable-scripts --disable-doc --disable-nls
  make -j"$jobs" -C src/liblzma install
}

build_libjpeg-turbo() {
  cmake -S . -B build -G Ninja -DCMAKE_SYSTEM_NAME=Windows -DCMAKE_SYSTEM_PROCESSOR=$cmake_processor \
    -DCMAKE_C_COMPILER=$cc -DCMAKE_RC_COMPILER=$host-windres -DCMAKE_ASM_NASM_COMPILER=nasm \
    -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_BUILD_TYPE=Release \
    -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_TURBOJPEG=OFF -DWITH_SIMD=ON
  cmake --build build -j "$jobs"
  cmake --install build
}

# libmp3lame for FFmpeg, and LAME's own Windows DLL front end (lame_enc.dll).
build_lame() {
  autotools_static --disable-frontend --disable-gtktest --disable-decoder
  make -j"$jobs" -C mpglib
  make -j"$jobs" -C libmp3lame
  make -C libmp3lame install
  make -C include install
  # The front end includes <Windef.h>; mingw-w64's header is lower case.
  mkdir -p shim && echo '#include <windef.h>' > shim/Windef.h
  $cc -O2 -shared -static -s -Ishim -Iinclude -Ilibmp3lame -o lame_enc.dll \
    Dll/BladeMP3EncDLL.c Dll/BladeMP3EncDLL.def libmp3lame/.libs/libmp3lame.a
  install -D -m 644 lame_enc.dll "$prefix/bin/lame_enc.dll"
  install -m 644 Dll/BladeMP3EncDLL.h "$prefix/include/"
}

build_libogg() { autotools_static; make -j"$jobs" install; }

build_libvorbis() {
  autotools_static --disable-docs --disable-examples --disable-oggtest
  make -j"$jobs" -C lib install
  make -C include install
  make install-pkgconfigDATA
}

# Its source package lacks a documentation file, so only lib/ and include/.
build_libtheora() {
  autotools_static --disable-examples --disable-oggtest --disable-vorbistest \
    --disable-sdltest --disable-doc
  make -j"$jobs" -C lib install
  make -C include install
  make install-pkgconfigDATA
}

build_x264() {
  CC=$cc ./configure --host=$host --cross-prefix=$host- --prefix="$prefix" \
    --enable-static --disable-cli --disable-opencl --bit-depth=8 \
    --disable-lavf --disable-swscale --disable-ffms --disable-gpac --disable-lsmash
  make -j"$jobs" install-lib-static
}

build_opencore-amr() {
  autotools_static --disable-examples
  make -j"$jobs" install
}

build_ffmpeg() {
  ./configure --prefix="$prefix" --arch=$ffmpeg_arch --target-os=mingw32 --cross-prefix=$host- \
    --cc=$cc --cxx=$cxx --enable-shared --disable-static --disable-programs --disable-doc \
    --disable-debug --disable-autodetect --enable-w32threads --enable-zlib --enable-lzma \
    --enable-gpl --enable-version3 --enable-libmp3lame --enable-libvorbis --enable-libtheora \
    --enable-libx264 --enable-libopencore-amrnb \
    --pkg-config=pkg-config --pkg-config-flags=--static \
    --extra-cflags="-I$prefix/include" \
    --extra-ldflags="-L$prefix/lib -static -static-libgcc -static-libstdc++" \
    --extra-libs="-lstdc++"
  make -j"$jobs"
  make install
}

# The shipped DLLs must run on a bare Windows: no toolchain runtime DLL.
check_imports() {
  local dll bad=0
  for dll in "$prefix"/bin/*.dll; do
    if $host-objdump -p "$dll" | grep -iE 'DLL Name: (libwinpthread|libgcc|libstdc)' >/dev/null; then
      echo "deps: $(basename "$dll") imports a toolchain DLL" >&2
      bad=1
    fi
  done
  return $bad
}

for p in "${sources[@]}"; do
  echo "deps: building $p $(source_version "$p")"
  log=$work/logs/$p.log
  set +e
  (
    set -e
    dir=$(fetch "$p")
    [ -n "$dir" ] || { echo "apt-get source $p gave no folder"; exit 1; }
    cd "$dir"
    set -x
    "build_$p"
  ) >"$log" 2>&1
  rc=$?
  set -e
  if [ $rc -ne 0 ]; then
    echo "deps: building $p failed; the last lines of $log:" >&2
    tail -n 40 "$log" >&2 || true
    exit 1
  fi
done
check_imports
touch "$prefix/.complete"
rm -rf "$work"
echo "$prefix"
