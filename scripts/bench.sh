#!/usr/bin/env bash
# bench.sh: builds the x64 converter benchmark and runs it. It converts a
# 60 s, 550x400, 24 fps vector movie with MP3 stream sound to the MPEG-4
# target and, in the same run, encodes the same frames and sound with the
# same FFmpeg libraries directly, then prints both times, their ratio, the
# conversion's speed against the movie's length and the peak memory.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/arch.sh"
build=$(arch_build_dir x64)
cmake --build "$build" --target converter_bench -j "$(nproc)"
out=$build/player-tests/output
mkdir -p "$out"
# The movie's sound: an MP3 tone, and the same decoded for the direct encode.
ffmpeg -v error -y -f lavfi -i sine=frequency=440:sample_rate=44100 -t 60 -ac 2 -c:a libmp3lame -b:a 128k \
  -write_xing 0 -id3v2_version 0 -f mp3 "$out/bench-tone.mp3"
ffmpeg -v error -y -i "$out/bench-tone.mp3" -f s16le -ar 44100 -ac 2 "$out/bench-tone.pcm"
# The program finds the libraries it links against in the build's bin folder.
WINEPATH="Z:${build//\//\\}\\bin" "$root/scripts/wine-run" --arch x64 "$build/player-tests/converter_bench.exe" \
  "Z:$out/bench-tone.mp3" "Z:$out/bench-tone.pcm"
