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
# Seeds: one small movie of each kind, so the compressed paths are reached,
# and one that draws.
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
# A movie of version 7 whose frames run a little of everything the action
# machine knows: a constant pool, a function with registers, a loop, objects,
# a try block and an fscommand.
def action(code, payload=b''):
    return bytes([code]) + (struct.pack('<H', len(payload)) + payload if code >= 0x80 else b'')
def push(*items):
    out = b''
    for item in items:
        if isinstance(item, str):
            out += b'\0' + item.encode() + b'\0'
        elif isinstance(item, float):
            out += b'\x06' + struct.pack('<d', item)[4:] + struct.pack('<d', item)[:4]
        else:
            out += b'\x07' + struct.pack('<i', item)
    return action(0x96, out)
square = push('n') + action(0x1C) + action(0x96, b'\x04\x01\x04\x01') + action(0x0C) + action(0x3E)
script = (action(0x88, struct.pack('<H', 2) + b'x\0y\0')
          + action(0x8E, b'sq\0' + struct.pack('<H', 1) + b'\x02\x00\x00\x01n\0' + struct.pack('<H', len(square))) + square
          + push(3, 1, 'sq') + action(0x3D) + action(0x26)
          + push('o', 'a', 1, 'b', 2.5, 2) + action(0x43) + action(0x1D)
          + push('o') + action(0x1C) + action(0x55) + action(0x17)
          + push(2, 1, 0, 'Array') + action(0x40) + push('sort') + action(0x52) + action(0x26)
          + action(0x8F, b'\x01' + struct.pack('<HHH', 6, 1, 0) + b'e\0') + push('t') + action(0x2A) + action(0x26)
          + push('FSCommand:go', 'now') + action(0x9A, b'\x00')
          + push('i', 0) + action(0x1D) + push('i') + action(0x1C) + action(0x50) + push('i') + action(0x4D) + action(0x1D)
          + push('i') + action(0x1C) + push(5) + action(0x48) + action(0x9D, struct.pack('<h', -37)) + action(0x00))
scripted = rect + struct.pack('<HH', 24 << 8, 3) + tag(12, script) + tag(1, b'') + tag(43, b'two\0')
scripted += tag(12, push('two') + action(0x26) + action(0x07) + action(0x00)) + tag(1, b'') + tag(1, b'') + tag(0, b'')
# A movie that draws: a gradient square, a bitmap, a morph and a masked
# sprite, so the fuzzer starts inside the shape and bitmap readers.
class Bits:
    def __init__(self): self.out, self.acc, self.n = bytearray(), 0, 0
    def put(self, value, count):
        for bit in range(count - 1, -1, -1):
            self.acc = self.acc << 1 | (value >> bit & 1); self.n += 1
            if self.n == 8: self.out.append(self.acc); self.acc, self.n = 0, 0
    def align(self):
        if self.n: self.put(0, 8 - self.n)
    def raw(self, data): self.align(); self.out += data
    def done(self): self.align(); return bytes(self.out)
def square(b, side, fill_bits):
    b.put(0b000101 if fill_bits else 0b000001, 6); b.put(12, 5); b.put(0, 12); b.put(0, 12)
    if fill_bits: b.put(1, 1)
    for dx, dy in ((side, 0), (0, side), (-side, 0), (0, -side)):
        b.put(0b11, 2); b.put(12, 4); b.put(1, 1); b.put(dx & 0x3FFF, 14); b.put(dy & 0x3FFF, 14)
    b.put(0, 6); b.align()
def shape(id, fill):
    b = Bits(); b.raw(struct.pack('<H', id) + rect + bytes([1]) + fill + bytes([1]) + struct.pack('<H', 40) + b'\0\0\0\xff')
    b.put(1, 4); b.put(1, 4); b.put(0b001101, 6); b.put(12, 5); b.put(0, 12); b.put(0, 12); b.put(1, 1); b.put(1, 1)
    for dx, dy in ((2000, 0), (0, 2000), (-2000, 0), (0, -2000)):
        b.put(0b11, 2); b.put(12, 4); b.put(1, 1); b.put(dx & 0x3FFF, 14); b.put(dy & 0x3FFF, 14)
    b.put(0b100, 3); b.put(100 & 0x3FFF, 14); b.put(50, 14); b.put(1000 & 0x3FFF, 14); b.put(0, 14)
    b.put(0, 6); return b.done()
identity = bytes([0x00])  # no scale, no rotation, no translation
gradient = bytes([0x13]) + identity + bytes([0x12, 0, 0xFF, 0, 0, 0xFF, 0xFF, 0, 0, 0xFF, 0xFF]) + struct.pack('<h', 128)
bitmap_fill = bytes([0x40]) + struct.pack('<H', 3) + identity
pixels = bytes(range(256)) * 4
lossless = struct.pack('<HBHH', 3, 5, 16, 16) + zlib.compress(pixels)
m = Bits(); square(m, 1000, 1); start = m.done()
e = Bits(); e.put(0, 8); square(e, 3000, 0); end = e.done()
morph = struct.pack('<H', 4) + rect + rect + struct.pack('<I', 3 + len(start)) + bytes([1, 0, 255, 0, 0, 255, 0, 0, 255, 255, 0])
morph += start + end
def place(depth, id, extra=b'', flags=0x06):
    return tag(26, bytes([flags]) + struct.pack('<HH', depth, id) + identity + extra)
draw = rect + struct.pack('<HH', 24 << 8, 2) + tag(36, lossless) + tag(32, shape(1, gradient)) + tag(32, shape(2, bitmap_fill))
draw += tag(46, morph)
draw += tag(39, struct.pack('<HH', 5, 2) + place(1, 2) + tag(1, b'') + tag(28, struct.pack('<H', 1)) + tag(1, b'') + tag(0, b''))
draw += place(1, 1, struct.pack('<H', 3), 0x46) + place(2, 5) + place(3, 4, struct.pack('<H', 30000), 0x16) + tag(1, b'')
draw += tag(1, b'') + tag(0, b'')
# A movie of text fields and images in JPEG tags, placed with filters and
# blend modes: a device font, an HTML field, a PNG and a GIF.
def chunk(kind, data):
    return struct.pack('>I', len(data)) + kind + data + struct.pack('>I', zlib.crc32(kind + data))
png = b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', 2, 2, 8, 6, 0, 0, 0))
png += chunk(b'IDAT', zlib.compress(b'\0' + bytes(range(8)) + b'\2' + bytes(range(8, 16)))) + chunk(b'IEND', b'')
gif = bytes.fromhex('47494638396101000100800000ffffff00000021f90401000000002c00000000010001000002024401003b')
font = struct.pack('<HBBB', 6, 0, 0, 5) + b'_sans' + struct.pack('<H', 0)
html = b"<p align='center'><b>Hi</b> <font size='+2' color='#FF0000'>there</font><br>&amp;x</p>"
field = struct.pack('<H', 7) + rect + bytes([0xE5, 0x2A]) + struct.pack('<HH', 6, 240) + b'\0\0\xff\xff'
field += bytes([2]) + struct.pack('<HHHh', 40, 40, 0, 20) + b'v\0' + html + b'\0'
fixed = lambda v: struct.pack('<i', int(v * 65536))
filters = bytes([2, 1]) + fixed(4) + fixed(4) + bytes([1 << 3])
filters += bytes([0]) + b'\0\0\0\x80' + fixed(4) + fixed(4) + fixed(0.7) + fixed(4) + struct.pack('<h', 256) + bytes([0x21])
def place3(depth, id, extra):
    return tag(70, bytes([0x06, 0x03]) + struct.pack('<HH', depth, id) + identity + extra)
text = rect + struct.pack('<HH', 24 << 8, 1) + tag(48, font) + tag(37, field) + tag(21, struct.pack('<H', 8) + png)
text += tag(21, struct.pack('<H', 9) + gif) + tag(32, shape(1, gradient))
text += place3(1, 1, filters + bytes([3])) + place3(2, 7, bytes([0]) + bytes([9])) + tag(1, b'') + tag(0, b'')
seeds = {
    'seed-text': b'FWS\x0a' + struct.pack('<I', 8 + len(text)) + text,
    'seed-actions': b'FWS\x07' + struct.pack('<I', 8 + len(scripted)) + scripted,
    'seed-draw': b'FWS\x0a' + struct.pack('<I', 8 + len(draw)) + draw,
    'seed-fws': b'FWS\x0a' + length + body,
    'seed-cws': b'CWS\x0a' + length + zlib.compress(body),
    'seed-zws': b'ZWS\x0d' + length + struct.pack('<I', len(packed)) + props + packed,
}
for name, data in seeds.items():
    open(f'{sys.argv[1]}/{name}', 'wb').write(data)
PY
cd "$build"
# Device fonts natively go through fontconfig, whose caches live as long as
# the process: not the engine's leaks.
echo "leak:libfontconfig" > "$build/lsan.supp"
export LSAN_OPTIONS="suppressions=$build/lsan.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
echo "fuzz: $seconds seconds, $jobs jobs"
"$build/parse_movie_fuzz" "$corpus" -max_total_time="$seconds" -max_len=65536 -rss_limit_mb=2048 \
  -timeout=10 -artifact_prefix="$build/crashes/" -jobs="$jobs" -workers="$jobs" -print_final_stats=1
