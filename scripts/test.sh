#!/usr/bin/env bash
# The whole suite under Address and UndefinedBehavior sanitizers, then every fuzz target briefly.
set -euo pipefail
cd "$(dirname "$0")/.."

fuzz_seconds="${ZEL_FUZZ_SECONDS:-20}"
jobs="$(nproc)"

scripts/install-deps.sh

cmake --preset asan
cmake --build --preset asan -j "$jobs"
ctest --preset asan -j "$jobs" --timeout 300

cmake --preset fuzz
cmake --build --preset fuzz -j "$jobs"
shopt -s nullglob
targets=(build/fuzz/fuzz/*_fuzz)
for target in "${targets[@]}"; do
  name="$(basename "$target")"
  corpus="$(mktemp -d)"
  if [ -d "fuzz/corpus/${name%_fuzz}" ]; then
    cp -r "fuzz/corpus/${name%_fuzz}/." "$corpus/"
  fi
  # fuzz/<target>.options holds further libFuzzer flags of one target, e.g. a larger -max_len.
  options=()
  if [ -f "fuzz/${name}.options" ]; then
    read -r -a options < "fuzz/${name}.options"
  fi
  echo "== fuzzing $name for ${fuzz_seconds}s ${options[*]}"
  log="$(mktemp)"
  # rss_limit and malloc_limit turn an allocation without bound into a failure.
  if ! "$target" -max_total_time="$fuzz_seconds" -timeout=10 -rss_limit_mb=2048 \
      -malloc_limit_mb=512 -print_final_stats=1 "${options[@]}" "$corpus" >"$log" 2>&1; then
    tail -n 60 "$log" >&2
    echo "fuzz target $name failed" >&2
    rm -rf "$corpus" "$log"
    exit 1
  fi
  grep -E "^Done|stat::number_of_executed_units" "$log" || true
  rm -rf "$corpus" "$log"
done
echo "All tests and fuzz targets passed."
