#!/usr/bin/env bash
# The browser tests (tests/web): builds the WebAssembly module and the page, the
# native module, renderer and reference player they are held to (in build/release
# unless ZEPHYRANT_NATIVE_BUILD names another build), installs the pinned
# playwright-core from its lock file, then runs the tests in headless Chromium.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh web-test
scripts/build-web.sh

native=${ZEPHYRANT_NATIVE_BUILD:-build/release}
if [ ! -f "$native/CMakeCache.txt" ]; then
    cmake -S . -B "$native" -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
cmake --build "$native" -j"$(nproc)" --target Zephyrant zephyrant-render zephyrant-web-reference

cd tests/web
npm ci --no-audit --no-fund --loglevel=error
ZEPHYRANT_NATIVE_BUILD="$native" node --test --test-concurrency=1 --test-reporter=tap
