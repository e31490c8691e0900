#!/usr/bin/env bash
# Builds the browser version into build/web/site: zephyrant.wasm (the engine, its
# texts, the factory sounds and the MIDI file reader, compiled by clang for
# wasm32-wasi) and the page beside it. Installs the Debian packages it needs.
# Environment: BUILD_DIR (default build/web).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh web

build_dir=${BUILD_DIR:-build/web}
cmake -S . -B "$build_dir" -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-wasm32-wasi.cmake >/dev/null
cmake --build "$build_dir" -j"$(nproc)"
