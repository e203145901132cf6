#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test through CTest.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh test
jobs=$(nproc 2>/dev/null || echo 2)

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$jobs"
ctest --test-dir build --output-on-failure -j"$jobs"

# The same tests again under AddressSanitizer and UndefinedBehaviorSanitizer,
# then each fuzz target for a bounded time.
VARNOLT_JOBS=$jobs bash scripts/sanitize.sh
VARNOLT_JOBS=$jobs bash scripts/fuzz.sh 30
