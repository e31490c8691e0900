#!/usr/bin/env bash
# Builds the module and the command-line hosts, shows what a host learns of the
# instrument and renders the demo piece to a WAV file.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh build
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release -DZEPHYRANT_TESTS=OFF >/dev/null
cmake --build build/release -j"$(nproc)"
build/release/zephyrant-info build/release/Zephyrant.so | head -n 14
echo
build/release/zephyrant-render examples/demo.mid -o build/demo.wav
echo
echo "WAV:    $(pwd)/build/demo.wav"
echo "Module: $(pwd)/build/release/Zephyrant.so"
