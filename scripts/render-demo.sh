#!/usr/bin/env bash
# Builds the module and the command-line host and shows what a host learns of the instrument.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh build
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release -DZEPHYRANT_TESTS=OFF >/dev/null
cmake --build build/release -j"$(nproc)"
build/release/zephyrant-info build/release/Zephyrant.so
echo
echo "Module: $(pwd)/build/release/Zephyrant.so"
