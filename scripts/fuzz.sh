#!/usr/bin/env bash
# Fuzzes one parser of outside data with libFuzzer under AddressSanitizer and
# UndefinedBehaviorSanitizer, natively with clang, starting from its seeds in
# tests/fuzz/TARGET/. New inputs gather in a corpus in the build folder that
# grows from run to run; a fault's input lands in its crashes folder and the
# run fails. TVM_FUZZ_SEEDS_ONLY=1 starts from the seeds alone, as CI does.
#
#   fuzz.sh TARGET|all [seconds [jobs]]    default: 60 seconds, one job
#   targets: engine swf-header gif-lzw ini project bmp player-module
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
targets=(engine swf-header gif-lzw ini project bmp player-module)
target=${1:?usage: fuzz.sh TARGET|all [seconds [jobs]]  (targets: ${targets[*]})}
seconds=${2:-60}
jobs=${3:-1}
build=${TVM_BUILD_DIR:-$root/build}/fuzz
if [ ! -f "$build/build.ninja" ]; then
  cmake -S "$root/tests/native" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_COMPILER=clang++ -DTVM_FUZZ=ON
fi
cmake --build "$build" -j "$(nproc)"

# Device fonts natively go through fontconfig, whose caches live as long as
# the process: not the engine's leaks.
echo "leak:libfontconfig" > "$build/lsan.supp"
export LSAN_OPTIONS="suppressions=$build/lsan.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"

# Movies the engine plays may be large; headers and image data need less,
# and INI text is read whole for every key.
max_len() {
  case $1 in
    engine) echo 65536 ;;
    ini | project) echo 4096 ;;
    *) echo 16384 ;;
  esac
}

# INI text becomes many small strings: a small quarantine still catches a
# use after free nearby, and spares ASan fresh pages for every one of them.
# The engine makes and frees much memory per movie: handing it back to the
# system every few seconds stalled its jobs on a busy machine past the time
# limit, for no fault of the engine.
asan_options() {
  case $1 in
    ini | project) echo "quarantine_size_mb=16:max_malloc_fill_size=0${ASAN_OPTIONS:+:$ASAN_OPTIONS}" ;;
    engine) echo "allocator_release_to_os_interval_ms=-1${ASAN_OPTIONS:+:$ASAN_OPTIONS}" ;;
    *) echo "${ASAN_OPTIONS:-}" ;;
  esac
}

run() {
  local name=$1 seeds=$root/tests/fuzz/$1 corpus=$build/corpus/$1 crashes=$build/crashes/$1
  [ -x "$build/fuzz-$name" ] || { echo "fuzz: no target $name (targets: ${targets[*]})" >&2; return 2; }
  [ "${TVM_FUZZ_SEEDS_ONLY:-}" != 1 ] || corpus=$build/corpus-ci/$1
  rm -rf "$build/corpus-ci"
  mkdir -p "$corpus" "$crashes"
  # One job runs in the foreground, its report on the terminal.
  local parallel=()
  [ "$jobs" -le 1 ] || parallel=(-jobs="$jobs" -workers="$jobs")
  echo "fuzz: $name, $seconds seconds, $jobs jobs"
  # The first folder takes what the run finds; the seeds stay as they are.
  (cd "$crashes" && ASAN_OPTIONS=$(asan_options "$name") "$build/fuzz-$name" "$corpus" "$seeds" -max_total_time="$seconds" -max_len="$(max_len "$name")" \
    -rss_limit_mb=2048 -timeout=10 -artifact_prefix="$crashes/" "${parallel[@]}" -print_final_stats=1)
}

if [ "$target" = all ]; then
  for name in "${targets[@]}"; do run "$name"; done
else
  run "$target"
fi
