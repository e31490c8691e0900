#!/usr/bin/env bash
# Builds and runs every test: an optimised build, then a build with AddressSanitizer
# and UndefinedBehaviorSanitizer (float-to-integer overflow included), the fuzz
# targets, then a ThreadSanitizer build for the threading tests, then the 32-bit x86
# Linux build and the Windows modules, held to the native results, then the browser
# build (WebAssembly) and its page in headless Chromium.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh test

jobs=$(nproc)
run_suite() {
    local dir=$1; shift
    cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=Release "$@" >/dev/null
    cmake --build "$dir" -j"$jobs"
    ctest --test-dir "$dir" --output-on-failure -j"$jobs"
}

echo "== Optimised build"
run_suite build/release
echo "== AddressSanitizer and UndefinedBehaviorSanitizer"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
    run_suite build/asan -DZEPHYRANT_SANITIZE=address,undefined,float-cast-overflow
echo "== Fuzz targets: each one's seeds and a fixed number of inputs (scripts/fuzz.sh runs one for longer)"
scripts/fuzz.sh --check
echo "== ThreadSanitizer"
TSAN_OPTIONS=halt_on_error=1 run_suite build/tsan -DZEPHYRANT_SANITIZE=thread -DZEPHYRANT_TOOLS=OFF -DZEPHYRANT_LV2=OFF
echo "== 32-bit x86 Linux: the test suite under qemu-i386, and 32-bit against 64-bit rendering"
scripts/check-i386.sh
echo "== Windows modules (mingw-w64): exports, imports and flags; the 64-bit one under wine64"
scripts/check-windows.sh
echo "== Browser: the WebAssembly build and the page in headless Chromium, held to the native renderer"
ZEPHYRANT_NATIVE_BUILD=build/release scripts/test-web.sh
