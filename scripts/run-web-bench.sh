#!/usr/bin/env bash
# The engine's cost per sample in the browser against the native build, measured in
# one run (bench/web-engine-cost.mjs): builds zephyrant-web-cost (the C interface
# compiled natively, in the benchmark build) and zephyrant.wasm, then alternates
# the two on the same cases and prints both costs and their ratio.
# Usage: scripts/run-web-bench.sh [ROUNDS] (default 5)
# Environment: BUILD_DIR (default build/bench), JOBS (default 2).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh bench
scripts/install-deps.sh web-test

build_dir=${BUILD_DIR:-build/bench}
cmake -S . -B "$build_dir" -DCMAKE_BUILD_TYPE=Release -DZEPHYRANT_BENCH=ON \
    -DZEPHYRANT_TESTS=OFF -DZEPHYRANT_TOOLS=ON >/dev/null
cmake --build "$build_dir" --target zephyrant-web-cost -j"${JOBS:-2}"
scripts/build-web.sh
(cd tests/web && npm ci --no-audit --no-fund --loglevel=error)
node bench/web-engine-cost.mjs "$build_dir/bench/zephyrant-web-cost" "${1:-5}"
