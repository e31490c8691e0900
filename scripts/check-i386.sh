#!/usr/bin/env bash
# The 32-bit x86 build on Linux: builds the module, the tools and the whole test
# suite with -m32 (GoogleTest built from Debian's sources for it) and runs them
# under qemu-i386, which exercises the 144-byte record, the 32-bit dispatcher values
# and the 32-bit calling convention. Then renders the fixed phrase with the 32-bit
# and the native 64-bit module and requires bit-identical samples and texts.
# Builds in build/i386 and build/release; ZEPHYRANT_BUILD_ROOT moves build/.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh test

root=${ZEPHYRANT_BUILD_ROOT:-build}
jobs=$(nproc)
toolchain=$PWD/cmake/toolchain-i386-linux-gnu.cmake
qemu=(qemu-i386 -L /)

gtest=$root/i386-googletest
if [ ! -f "$gtest/install/lib/cmake/GTest/GTestConfig.cmake" ]; then
    echo "-- GoogleTest for i386 from /usr/src/googletest"
    cmake -S /usr/src/googletest -B "$gtest/build" -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
        -DCMAKE_BUILD_TYPE=Release -DBUILD_GMOCK=OFF -DINSTALL_GTEST=ON \
        -DCMAKE_INSTALL_PREFIX="$PWD/$gtest/install" >/dev/null
    cmake --build "$gtest/build" -j"$jobs" >/dev/null
    cmake --install "$gtest/build" >/dev/null
fi

echo "-- Module, tools and test suite for i386"
cmake -S . -B "$root/i386" -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release -DZEPHYRANT_TESTS=ON \
    -DGTest_DIR="$PWD/$gtest/install/lib/cmake/GTest" -DCMAKE_EXPORT_COMPILE_COMMANDS=ON >/dev/null
cmake --build "$root/i386" -j"$jobs"
# ctest runs every program of this tree through qemu-i386 (the toolchain's emulator).
# The listening tests (pitch, level and clicks measured over many renders) run on
# 64-bit only: the 32-bit renders are held bit for bit to the 64-bit ones below, and
# under emulation those tests alone took five minutes.
ctest --test-dir "$root/i386" --output-on-failure -j"$jobs" \
    -E '^(SampleRate|Tuning|ControlGlide|Levels|FactorySoundLevels)\.'

echo "-- 32-bit against 64-bit rendering"
cmake -S . -B "$root/release" -DCMAKE_BUILD_TYPE=Release -DCMAKE_EXPORT_COMPILE_COMMANDS=ON >/dev/null
cmake --build "$root/release" -j"$jobs" --target Zephyrant zephyrant-module-check
out=$root/cross
mkdir -p "$out"
"$root/release/zephyrant-module-check" "$root/release/Zephyrant.so" \
    --texts "$out/linux64-texts.txt" --render "$out/linux64.raw"
"${qemu[@]}" "$root/i386/zephyrant-module-check" "$root/i386/Zephyrant.so" \
    --texts "$out/linux32-texts.txt" --render "$out/linux32.raw"
if ! diff -u "$out/linux64-texts.txt" "$out/linux32-texts.txt"; then
    echo "FAILED: the 32-bit module answers other texts than the 64-bit one" >&2
    exit 1
fi
echo "texts: identical"
"$root/release/zephyrant-module-check" --compare "$out/linux64.raw" "$out/linux32.raw"

# No x87 arithmetic in the module's code: every float operation runs in SSE2 at the
# precision of its type, as on 64-bit.
x87='^\s*[0-9a-f]+:\s+f(i?add|i?sub|i?subr|i?mul|i?div|i?divr|sqrt|sin|cos|sincos|ptan|patan|2xm1|yl2x|yl2xp1|scale|prem|prem1|rndint|xtract)p?\b'
code=$(objdump -d --no-show-raw-insn "$root/i386/libzephyrant_engine.a" "$root/i386/libzephyrant_texts.a" \
    "$root/i386/libzephyrant_vst2.a")
# Objects holding only link-time intermediate code would pass unread.
if ! grep -qE '\s(mul|add|div)s[sd]\s' <<<"$code"; then
    echo "FAILED: no SSE arithmetic found: the 32-bit libraries hold no machine code to check" >&2
    exit 1
fi
if grep -E "$x87" <<<"$code"; then
    echo "FAILED: x87 arithmetic in the 32-bit module's code" >&2
    exit 1
fi
echo "x87 arithmetic in the module's code: none"
