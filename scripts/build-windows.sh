#!/usr/bin/env bash
# Cross-builds the module for Windows with Debian's mingw-w64 compilers:
# build/win32/Zephyrant.dll (32-bit x86) and build/win64/Zephyrant.dll (64-bit x86),
# each with the command-line hosts beside it, and the CLAP plug-ins
# build/win32/lib/clap/Zephyrant.clap and build/win64/lib/clap/Zephyrant.clap.
# ZEPHYRANT_BUILD_ROOT moves build/.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh windows

root=${ZEPHYRANT_BUILD_ROOT:-build}
jobs=$(nproc)
for pair in win32:i686 win64:x86_64; do
    dir=$root/${pair%%:*}
    triple=${pair##*:}-w64-mingw32
    cmake -S . -B "$dir" -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/toolchain-$triple.cmake" \
        -DCMAKE_BUILD_TYPE=Release -DZEPHYRANT_TESTS=OFF -DCMAKE_EXPORT_COMPILE_COMMANDS=ON >/dev/null
    cmake --build "$dir" -j"$jobs"
done
echo
echo "32-bit module: $(pwd)/$root/win32/Zephyrant.dll"
echo "64-bit module: $(pwd)/$root/win64/Zephyrant.dll"
echo "32-bit CLAP plug-in: $(pwd)/$root/win32/lib/clap/Zephyrant.clap"
echo "64-bit CLAP plug-in: $(pwd)/$root/win64/lib/clap/Zephyrant.clap"
