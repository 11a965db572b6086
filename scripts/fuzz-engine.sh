#!/usr/bin/env bash
# Fuzzes the player engine's movie parser with libFuzzer under AddressSanitizer
# and UndefinedBehaviorSanitizer, natively with clang. The corpus lives in the
# build folder and grows from run to run; crashes land beside it.
#
#   fuzz-engine.sh [seconds [jobs]]    default: 60 seconds, one job per core
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
jobs=${2:-$(nproc)}
build=${TVM_BUILD_DIR:-$root/build}/fuzz
if [ ! -f "$build/build.ninja" ]; then
  cmake -S "$root/tests/native" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_COMPILER=clang++ -DTVM_FUZZ=ON
fi
cmake --build "$build" -j "$(nproc)"

corpus=$build/corpus
mkdir -p "$corpus" "$build/crashes"
# Seeds: one small movie of each kind, so the compressed paths are reached.
python3 - "$corpus" <<'PY'
import lzma, struct, sys, zlib
# A 550x400 stage at 24 fps, two frames, a background, a label and a sprite.
rect = bytes([0x78, 0x00, 0x05, 0x5F, 0x00, 0x00, 0x0F, 0xA0, 0x00])
def tag(code, body):
    return struct.pack('<H', code << 6 | 0x3F) + struct.pack('<I', len(body)) + body
body = rect + struct.pack('<HH', 24 << 8, 2)
body += tag(9, b'\x33\x66\x99') + tag(43, b'start\0') + tag(12, b'\x07\0') + tag(1, b'')
body += tag(39, struct.pack('<HH', 1, 1) + tag(1, b'') + tag(0, b'')) + tag(1, b'') + tag(0, b'')
length = struct.pack('<I', 8 + len(body))
lz = lzma.LZMACompressor(lzma.FORMAT_RAW, filters=[{'id': lzma.FILTER_LZMA1, 'dict_size': 1 << 16}])
packed = lz.compress(body) + lz.flush()
props = bytes([93]) + struct.pack('<I', 1 << 16)
seeds = {
    'seed-fws': b'FWS\x0a' + length + body,
    'seed-cws': b'CWS\x0a' + length + zlib.compress(body),
    'seed-zws': b'ZWS\x0d' + length + struct.pack('<I', len(packed)) + props + packed,
}
for name, data in seeds.items():
    open(f'{sys.argv[1]}/{name}', 'wb').write(data)
PY
cd "$build"
echo "fuzz: $seconds seconds, $jobs jobs"
"$build/parse_movie_fuzz" "$corpus" -max_total_time="$seconds" -max_len=65536 -rss_limit_mb=2048 \
  -timeout=10 -artifact_prefix="$build/crashes/" -jobs="$jobs" -workers="$jobs" -print_final_stats=1
