#!/usr/bin/env bash
# Builds the libFuzzer targets with clang into build-fuzz/ and runs each one
# for a bounded time, 30 seconds by default, longer with an argument.
# Usage: fuzz.sh [seconds per target]
# A failure leaves its input in build-fuzz/crashes/ and prints how to replay it.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-30}
jobs=${VARNOLT_JOBS:-2}
build=build-fuzz

CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVARNOLT_BUILD_UI=OFF -DVARNOLT_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" -j"$jobs" --target fuzz_targets

mkdir -p "$build/crashes"
for source in fuzz/*_fuzz.cpp; do
  name=$(basename "$source" _fuzz.cpp)
  # New inputs go to a working corpus; the seeds in the repository stay as
  # they are (fold good finds in with -merge=1 by hand).
  work="$build/corpus/$name"
  mkdir -p "$work"
  echo "fuzzing $name for ${seconds}s"
  if ! "$build/fuzz/fuzz_$name" -max_total_time="$seconds" -timeout=10 -print_final_stats=1 \
      -artifact_prefix="$build/crashes/$name-" "$work" "fuzz/corpus/$name" 2>"$build/fuzz-$name.log"; then
    tail -n 60 "$build/fuzz-$name.log"
    echo "fuzz_$name failed; replay with: $build/fuzz/fuzz_$name $build/crashes/$name-*" >&2
    exit 1
  fi
  grep -E '^(stat::number_of_executed_units|stat::peak_rss_mb|Done)' "$build/fuzz-$name.log" || true
done
