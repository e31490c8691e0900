#!/usr/bin/env bash
# Installs the Debian packages a job needs, only those that are missing.
# Usage: scripts/install-deps.sh build|windows|test|fuzz|bench|gallery|web|web-test
set -euo pipefail

# CLI11 parses the tools' options; help2man writes their manual pages; lv2-dev holds
# the LV2 headers the plug-in bundle is built with.
build=(cmake make g++ pkg-config libsndfile1-dev libcli11-dev help2man python3 lv2-dev)
# Cross builds: mingw-w64 for the Windows modules, g++-multilib for 32-bit x86 Linux,
# qemu-user to run the 32-bit programs and wine64 to run the 64-bit Windows ones.
mingw=(g++-mingw-w64-i686 g++-mingw-w64-x86-64)
windows=("${build[@]}" "${mingw[@]}")
# The browser build: clang and lld with wasi-libc and the WebAssembly libc++ make
# zephyrant.wasm; Node.js serves the page and, with Chromium, runs its tests.
web=(cmake make clang lld wasi-libc libc++-14-dev-wasm32 libc++abi-14-dev-wasm32 libclang-rt-14-dev-wasm32 nodejs)
# The fuzz targets: clang with its libFuzzer and sanitizer runtimes.
fuzz=("${build[@]}" clang libclang-rt-14-dev)
# sox reads the renderer's files back as other programs do; sordi, lilv-utils and
# liblilv-dev: the LV2 validator, lv2info, lv2bench and the host library of the LV2 tests.
test=("${build[@]}" libgtest-dev googletest sox sordi lilv-utils liblilv-dev "${mingw[@]}" g++-multilib qemu-user wine64
      "${web[@]}" chromium libclang-rt-14-dev)
# A real CLAP host for the test job: qtractor's headless plug-in scanner. It needs
# the JACK 2 library, which the STK of the benchmarks takes too when its headers
# are JACK 2's: with JACK 1's, each install would remove the other.
test+=(qtractor)
bench=("${build[@]}" libbenchmark-dev libstk-dev stk libjack-jackd2-dev)
# The sound gallery measures and draws the renders with numpy and matplotlib, reading FLAC through soundfile.
gallery=("${build[@]}" python3-numpy python3-matplotlib python3-soundfile)

case "${1:-build}" in
    build) wanted=("${build[@]}") ;;
    windows) wanted=("${windows[@]}") ;;
    test) wanted=("${test[@]}") ;;
    fuzz) wanted=("${fuzz[@]}") ;;
    bench) wanted=("${bench[@]}") ;;
    gallery) wanted=("${gallery[@]}") ;;
    web) wanted=("${web[@]}") ;;
    web-test) wanted=("${build[@]}" "${web[@]}" chromium) ;;
    *) echo "install-deps: unknown job '$1' (build, windows, test, fuzz, bench, gallery, web or web-test)" >&2; exit 2 ;;
esac

missing=()
for package in "${wanted[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' || missing+=("$package")
done
# Debian's nodejs comes without npm, which the browser tests install their packages with.
if [[ " ${wanted[*]} " == *" nodejs "* ]] && ! command -v npm >/dev/null; then
    missing+=(npm)
fi
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    sudo_cmd=()
    [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
    "${sudo_cmd[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
