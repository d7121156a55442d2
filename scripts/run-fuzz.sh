#!/usr/bin/env bash
# Runs every fuzz target of a fuzz build for a bounded time: scripts/run-fuzz.sh BUILD_DIR SECONDS.
# Seeds are made afresh in BUILD_DIR/fuzzing/<target>/seeds; what the fuzzer finds stays in
# .../corpus for the next run, crashing inputs go to .../artifacts. Prints one line per target
# and fails when any target crashed, leaked, ran out of memory or timed out.
set -euo pipefail

if [ $# -ne 2 ]; then
  echo "usage: $0 BUILD_DIR SECONDS" >&2
  exit 1
fi
build=$(cd "$1" && pwd)
seconds=$2
root=$(cd "$(dirname "$0")/.." && pwd)
suite="$root/tests/data/bmpsuite"
work="$build/fuzzing"

# Leaks are failures; undefined behaviour must stop the run so that the input is kept.
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-halt_on_error=1:print_stacktrace=1}"

# bytes N: N bytes of the ramp 0, 1, ..., 255, 0, 1, ...
ramp=$(mktemp)
trap 'rm -f "$ramp"' EXIT
for i in $(seq 0 255); do printf "\\x$(printf %02x "$i")"; done >"$ramp"
bytes() { local n=$1; while [ "$n" -gt 0 ]; do head -c "$((n < 256 ? n : 256))" "$ramp"; n=$((n - 256)); done; }

# A 2 x 2 8-bit BMP, a seed that needs no corpus.
tiny_bmp() {
  printf 'BM\x3e\x04\0\0\0\0\0\0\x36\x04\0\0'                        # file header, 1086 bytes
  printf '\x28\0\0\0\x02\0\0\0\x02\0\0\0\x01\0\x08\0\0\0\0\0\x08\0\0\0' # info header
  printf '\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0'
  for i in $(seq 0 255); do printf "\\x$(printf %02x "$i")\\x$(printf %02x "$i")\\x$(printf %02x "$i")\\x00"; done
  printf '\x00\xff\0\0\x7f\x80\0\0'
}

seed_bmp() {
  local out=$1 strip=$2 n=0 f
  for f in "$suite"/*/*.bmp; do
    [ -f "$f" ] || continue
    tail -c "+$((strip + 1))" "$f" >"$out/$(basename "$(dirname "$f")")-$(basename "$f")"
    n=$((n + 1))
  done
  if [ "$n" -eq 0 ]; then
    echo "note: $suite not found, seeding with one generated BMP" >&2
    tiny_bmp | tail -c "+$((strip + 1))" >"$out/tiny.bmp"
  fi
}

seed_pgm() {
  local out=$1
  { printf 'P5\n4 3\n255\n'; bytes 12; } >"$out/plain.pgm"
  { printf 'P5 3 2 15\n'; printf '\0\x05\x0f\x01\x0e\x07'; } >"$out/sixteen-levels.pgm"
  { printf '# made by hand\nP5\n# size\n3 2\n65535\n'; bytes 12; } >"$out/sixteen-bit.pgm"
  { printf 'P5\r\n2 2\r\n255\r\n'; printf '\x10\x20\x30\x40'; } >"$out/crlf.pgm"
  { printf 'P5\t1\t1\t1  \n'; printf '\x01'; } >"$out/blanks.pgm"
  printf 'P2\n2 1\n255\n0 255\n' >"$out/ascii.pgm"
}

seed_raw() {
  local out=$1 n
  for n in 1024 1248 4096 10304 16384; do bytes "$n" >"$out/table-$n.raw"; done
  { printf '\x08\0\x04\0'; bytes 32; } >"$out/8x4.raw"
  { printf '\x03\0\x05\0'; bytes 15; } >"$out/3x5.raw"
  { printf '\xfe\xff\x02\0'; bytes 4; } >"$out/negative.raw"
}

seed_palette() {
  local out=$1 i
  { printf 'JASC-PAL\r\n0100\r\n16\r\n'; for i in $(seq 0 15); do printf '%d %d %d\r\n' "$i" "$((i * 16))" "$((255 - i))"; done; } >"$out/sixteen.pal"
  { printf 'JASC-PAL\n0100\n256\n'; for i in $(seq 0 255); do printf '%d %d %d\n' "$i" "$i" "$i"; done; } >"$out/gray-lf.pal"
  printf 'JASC-PAL\r\n0100\r\n255\r\n0 0 0\r\n' >"$out/count-255.pal"
}

# target, seed function, its argument, -max_len
targets=(
  "velora_fuzz_bmp seed_bmp 0 65536"
  "velora_fuzz_dib seed_bmp 14 65536"
  "velora_fuzz_pgm seed_pgm - 4096"
  "velora_fuzz_raw seed_raw - 16384"   # no RAW image above 16 KiB
  "velora_fuzz_palette seed_palette - 8192"
)

failed=0
summary=()
for entry in "${targets[@]}"; do
  read -r name seeder arg maxlen <<<"$entry"
  exe="$build/tests/fuzz/$name"
  if [ ! -x "$exe" ]; then
    summary+=("$name: missing ($exe; build the fuzz preset first)")
    failed=1
    continue
  fi
  dir="$work/$name"
  rm -rf "$dir/seeds"
  mkdir -p "$dir/seeds" "$dir/corpus" "$dir/artifacts"
  if [ "$arg" = - ]; then "$seeder" "$dir/seeds"; else "$seeder" "$dir/seeds" "$arg"; fi

  echo "== $name ($seconds s)"
  rc=0
  "$exe" -max_total_time="$seconds" -max_len="$maxlen" -rss_limit_mb=2048 -timeout=10 \
    -print_final_stats=1 -artifact_prefix="$dir/artifacts/" "$dir/corpus" "$dir/seeds" \
    >"$dir/log" 2>&1 || rc=$?

  runs=$(grep -o 'stat::number_of_executed_units: [0-9]*' "$dir/log" | tail -1 | grep -o '[0-9]*$' || true)
  corpus=$(grep -o 'corp: [0-9]*' "$dir/log" | tail -1 | grep -o '[0-9]*$' || true)
  corpus=${corpus:-$(find "$dir/corpus" "$dir/seeds" -type f | wc -l)}
  if [ "$rc" -eq 0 ]; then
    result=ok
  else
    failed=1
    if grep -q 'ERROR: LeakSanitizer' "$dir/log"; then result=LEAK
    elif grep -q 'out-of-memory' "$dir/log"; then result=OUT-OF-MEMORY
    elif grep -q 'ERROR: libFuzzer: timeout' "$dir/log"; then result=TIMEOUT
    elif grep -q 'runtime error:' "$dir/log"; then result=UNDEFINED-BEHAVIOUR
    else result=CRASH
    fi
    artifact=$(grep -o 'Test unit written to [^ ]*' "$dir/log" | tail -1 | sed 's/Test unit written to //' || true)
    result="$result (exit $rc; input ${artifact:-not saved}; log $dir/log)"
    tail -n 40 "$dir/log"
  fi
  summary+=("$name: ${runs:-?} executions, corpus ${corpus} inputs, $result")
done

echo "== Fuzz summary"
printf '%s\n' "${summary[@]}"
exit "$failed"
