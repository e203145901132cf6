#!/usr/bin/env bash
# Builds everything a second time with AddressSanitizer and UndefinedBehavior-
# Sanitizer into build-asan/ and runs every test through CTest, leak checks
# included. Any report fails its test and so the run.
# Usage: sanitize.sh [extra cmake -D options, e.g. -DVARNOLT_BUILD_UI=OFF]
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=${VARNOLT_JOBS:-2}
build=build-asan

# Benchmarks are no tests; their figures mean nothing under a sanitizer.
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVARNOLT_SANITIZE=ON \
  -DVARNOLT_BUILD_BENCH=OFF "$@"
cmake --build "$build" -j"$jobs"

# halt_on_error with -fno-sanitize-recover makes the first report end the test.
# strict_string_checks stays off: it flags libxkbcommon-x11 reading X atom
# names with strndup, which is within bounds by POSIX.
export ASAN_OPTIONS=detect_leaks=1:halt_on_error=1:detect_stack_use_after_return=1:check_initialization_order=1:strict_init_order=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export LSAN_OPTIONS=suppressions=$PWD/scripts/lsan.supp:print_suppressions=0
ctest --test-dir "$build" --output-on-failure -j"$jobs"
