#!/usr/bin/env bash
# Installs what is missing, builds in Release and starts the tool.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh run
cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DVARNOLT_BUILD_BENCH=OFF >/dev/null
cmake --build build-release -j"$(nproc 2>/dev/null || echo 2)" --target varnolt
exec build-release/app/varnolt "$@"
