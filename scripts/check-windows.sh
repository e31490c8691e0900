#!/usr/bin/env bash
# Checks the Windows modules and CLAP plug-ins that scripts/build-windows.sh makes.
#   Both: a DLL of the right machine that exports exactly VSTPluginMain and main,
#   undecorated, and imports nothing but system DLLs.
#   32-bit: cdecl entries, no x87 arithmetic, and the same sources and flags as the
#   32-bit Linux build (build/i386, configured here when missing).
#   CLAP plug-ins (both): a DLL of the right machine that exports exactly
#   clap_entry by name, as data (in a data section, not the code), imports nothing
#   but system DLLs, and whose records have the published sizes and offsets
#   (the static_asserts of clap/ClapInterface.h); 32-bit: cdecl functions and no
#   x87 arithmetic. The 64-bit one also runs under wine64 in a minimal CLAP host
#   (tests/clap/windows), whose texts must equal the Linux plug-in's and whose
#   render must match it within the same tolerance as the module's.
#   64-bit: the command-line hosts run under wine64 in a throwaway prefix; they load
#   the DLL through LoadLibrary and GetProcAddress, check the record and the texts
#   and render the fixed phrase, which must match the native Linux module's render
#   within 1e-4 (the C runtimes' maths functions may differ in the last bit).
# ZEPHYRANT_BUILD_ROOT moves build/.
set -uo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh test
scripts/build-windows.sh || exit 1

root=${ZEPHYRANT_BUILD_ROOT:-build}
jobs=$(nproc)
out=$root/cross
mkdir -p "$out"
tolerance=1e-4

passed=0
failed=0
stage() {
    local name=$1; shift
    echo "-- $name"
    if "$@"; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
        echo "FAILED: $name"
    fi
}

objdump_for() { echo "${1}-w64-mingw32-objdump"; }

check_machine() {
    local dll=$1 triple=$2 format=$3
    local header
    local characteristics
    header=$("$(objdump_for "$triple")" -f "$dll") || return 1
    grep -E "file format|architecture" <<<"$header"
    grep -q "file format $format" <<<"$header" || return 1
    characteristics=$("$(objdump_for "$triple")" -p "$dll" | sed -n '/^Characteristics/,/^$/p')
    grep -qx $'\tDLL' <<<"$characteristics"
}

# The names of a DLL's export table (objdump -p output), sorted, each followed by a blank.
export_names() {
    sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/p' <<<"$1" | sed -n 's/^\s*\[\s*[0-9]*\]\s*//p' | sort | tr '\n' ' '
}

# Exactly the two names, and both lead into the module's code: an export whose
# function the linker dropped keeps its name but points anywhere.
check_exports() {
    local dll=$1 triple=$2
    local headers names base text rva size vma bad=0
    headers=$("$(objdump_for "$triple")" -p "$dll") || return 1
    names=$(export_names "$headers")
    echo "exports: $names"
    [ "$names" = "VSTPluginMain main " ] || return 1
    base=$(awk '$1 == "ImageBase" {print $2}' <<<"$headers")
    text=$("$(objdump_for "$triple")" -h "$dll" | awk '$2 == ".text" {print $3, $4}')
    for rva in $(sed -n '/^Export Address Table --/,/^$/p' <<<"$headers" | sed -n 's/.*\]\s*\([0-9a-f]*\) Export RVA/\1/p'); do
        read -r size vma <<<"$text"
        if (( 0x$rva < 0x$vma - 0x$base || 0x$rva >= 0x$vma - 0x$base + 0x$size )); then
            echo "export at RVA 0x$rva lies outside the code"
            bad=1
        fi
    done
    return $bad
}

# System DLLs only: no libgcc, libstdc++ or winpthread DLL beside the module.
check_imports() {
    local dll=$1 triple=$2
    local names bad=0
    names=$("$(objdump_for "$triple")" -p "$dll" | sed -n 's/^\s*DLL Name: //p')
    echo "imports: $(echo "$names" | tr '\n' ' ')"
    [ -n "$names" ] || return 1
    while read -r name; do
        case "${name,,}" in
            kernel32.dll | msvcrt.dll | ucrtbase.dll | api-ms-win-crt-*.dll | ntdll.dll | user32.dll | advapi32.dll) ;;
            *) echo "not a system DLL: $name"; bad=1 ;;
        esac
    done <<<"$names"
    return $bad
}

# On 32-bit Windows a stdcall function's symbol ends in @ and its argument bytes;
# only the library's load notification may be one, every entry is cdecl.
check_cdecl() {
    local dir=$root/win32 decorated
    decorated=$(i686-w64-mingw32-nm -g --defined-only "$dir/libzephyrant_engine.a" "$dir/libzephyrant_texts.a" "$dir/libzephyrant_vst2.a" \
        "$dir/CMakeFiles/Zephyrant.dir/host/EntryPoint.cpp.obj" | awk '$2 == "T" && $3 ~ /@[0-9]+$/ {print $3}')
    echo "stdcall functions: ${decorated:-none}"
    [ "$decorated" = "_DllMain@12" ] || return 1
    local entries
    entries=$(i686-w64-mingw32-nm -g --defined-only "$dir/CMakeFiles/Zephyrant.dir/host/EntryPoint.cpp.obj")
    grep -qE ' T _VSTPluginMain$' <<<"$entries" && grep -qE ' T _legacyMain$' <<<"$entries"
}

check_no_x87() {
    local x87='^\s*[0-9a-f]+:\s+f(i?add|i?sub|i?subr|i?mul|i?div|i?divr|sqrt|sin|cos|sincos|ptan|patan|2xm1|yl2x|yl2xp1|scale|prem|prem1|rndint|xtract)p?\b'
    local code
    code=$(i686-w64-mingw32-objdump -d --no-show-raw-insn "$root/win32/libzephyrant_engine.a" \
        "$root/win32/libzephyrant_texts.a" "$root/win32/libzephyrant_vst2.a" \
        "$root/win32/CMakeFiles/Zephyrant.dir/host/EntryPoint.cpp.obj" \
        "$root/win32/clap/CMakeFiles/zephyrant_clap.dir/"*.obj) || return 1
    # Objects holding only link-time intermediate code would pass unread.
    if ! grep -qE '\s(mul|add|div)s[sd]\s' <<<"$code"; then
        echo "no SSE arithmetic found: the libraries hold no machine code to check"
        return 1
    fi
    if grep -E "$x87" <<<"$code"; then
        return 1
    fi
    echo "x87 arithmetic: none"
}

check_same_build() {
    local windows=$1 linux=$2; shift 2
    python3 scripts/compare-compile-flags.py "$windows" "$linux" --require -ffp-contract=off "$@" || return 1
    # The module is the entry point linked with the same libraries on both systems.
    local tree library
    for tree in "$windows" "$linux"; do
        for library in libzephyrant_vst2.a libzephyrant_texts.a libzephyrant_engine.a; do
            grep -q "$library" "$tree"/CMakeFiles/Zephyrant.dir/link*.* || return 1
        done
    done
}

# The CLAP plug-in exports one name, clap_entry, and it is the record itself:
# its address lies in a data section of the DLL, not in the code.
check_clap_exports() {
    local clap=$1 triple=$2
    local headers names base rva section
    headers=$("$(objdump_for "$triple")" -p "$clap") || return 1
    names=$(export_names "$headers")
    echo "exports: $names"
    [ "$names" = "clap_entry " ] || return 1
    base=$(awk '$1 == "ImageBase" {print $2}' <<<"$headers")
    rva=$(sed -n '/^Export Address Table --/,/^$/p' <<<"$headers" | sed -n 's/.*\]\s*\([0-9a-f]*\) Export RVA/\1/p')
    section=""
    local index name size vma rest
    while read -r index name size vma rest; do
        [[ $index =~ ^[0-9]+$ ]] || continue
        if (( 0x$rva >= 0x$vma - 0x$base && 0x$rva < 0x$vma - 0x$base + 0x$size )); then
            section=$name
        fi
    done < <("$(objdump_for "$triple")" -h "$clap")
    echo "clap_entry lies in: ${section:-no section}"
    case "$section" in
        .rdata | .data) ;;
        *) return 1 ;;
    esac
}

# The records' sizes and offsets for the target, as its compiler lays them out.
check_clap_layout() {
    local triple=$1
    local compiler
    compiler=$(command -v "$triple-g++-win32" || command -v "$triple-g++")
    echo '#include "clap/ClapInterface.h"' | "$compiler" -std=c++17 -fsyntax-only -I. -x c++ - &&
        echo "static_asserts of clap/ClapInterface.h hold for $triple"
}

# No function of the 32-bit plug-in is stdcall: every one is reached as cdecl.
check_clap_cdecl() {
    local decorated
    decorated=$(i686-w64-mingw32-nm -g --defined-only "$root/win32/clap/CMakeFiles/zephyrant_clap.dir/"*.obj |
        awk '$2 == "T" && $3 ~ /@[0-9]+$/ {print $3}')
    echo "stdcall functions: ${decorated:-none}"
    [ -z "$decorated" ]
}

# Debian's wine64 package keeps its programs in /usr/lib/wine.
wine_tool() { [ -x "/usr/lib/wine/${1}64" ] && echo "/usr/lib/wine/${1}64" || command -v "$1"; }
wine_env=(env WINEPREFIX="$PWD/$root/wine-prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" DISPLAY=)

# Runs a Windows program of build/win64 from that folder under wine64.
run_wine() {
    (cd "$root/win64" && "${wine_env[@]}" "$(wine_tool wine)" "$@")
}

check_wine_record_and_render() {
    run_wine zephyrant-module-check.exe Zephyrant.dll --texts ../cross/win64-texts.txt --render ../cross/win64.raw ||
        return 1
    if ! diff -u "$out/linux64-texts.txt" "$out/win64-texts.txt"; then
        echo "the Windows module answers other texts than the Linux one"
        return 1
    fi
    echo "texts: identical to the Linux module's"
    "$root/release/zephyrant-module-check" --compare "$out/linux64.raw" "$out/win64.raw" --tolerance "$tolerance"
}

# What the project's own information tool prints, apart from the module's path.
check_wine_info() {
    run_wine zephyrant-info.exe Zephyrant.dll | tr -d '\r' | grep -v '^Module:' >"$out/win64-info.txt" || return 1
    "$root/release/zephyrant-info" "$root/release/Zephyrant.so" | grep -v '^Module:' >"$out/linux64-info.txt" ||
        return 1
    diff -u "$out/linux64-info.txt" "$out/win64-info.txt" && echo "zephyrant-info: same report as on Linux"
}

check_wine_render() {
    if [ ! -f "$root/win64/zephyrant-render.exe" ]; then
        echo "skipped: zephyrant-render is not built for Windows"
        return 0
    fi
    run_wine zephyrant-render.exe -q -m Zephyrant.dll -o ../cross/win64-render.wav || return 1
    "$root/release/zephyrant-render" -q -m "$root/release/Zephyrant.so" -o "$out/linux64-render.wav" || return 1
    "$root/release/zephyrant-module-check" --compare "$out/linux64-render.wav" "$out/win64-render.wav" \
        --tolerance "$tolerance"
}

# The native references and the 32-bit Linux flags to compare with.
cmake -S . -B "$root/release" -DCMAKE_BUILD_TYPE=Release -DCMAKE_EXPORT_COMPILE_COMMANDS=ON >/dev/null || exit 1
cmake --build "$root/release" -j"$jobs" --target Zephyrant zephyrant-module-check zephyrant-info zephyrant-render \
    zephyrant_clap ||
    exit 1
"$root/release/zephyrant-module-check" "$root/release/Zephyrant.so" \
    --texts "$out/linux64-texts.txt" --render "$out/linux64.raw" >/dev/null || exit 1
if [ -f "$root/i386/CMakeCache.txt" ]; then
    cmake -S . -B "$root/i386" -DCMAKE_EXPORT_COMPILE_COMMANDS=ON >/dev/null || exit 1
else
    cmake -S . -B "$root/i386" -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/toolchain-i386-linux-gnu.cmake" \
        -DCMAKE_BUILD_TYPE=Release -DZEPHYRANT_TESTS=OFF -DCMAKE_EXPORT_COMPILE_COMMANDS=ON >/dev/null || exit 1
fi

stage "32-bit DLL is a PE32 i386 library" check_machine "$root/win32/Zephyrant.dll" i686 pei-i386
stage "32-bit DLL exports exactly VSTPluginMain and main" check_exports "$root/win32/Zephyrant.dll" i686
stage "32-bit DLL imports only system DLLs" check_imports "$root/win32/Zephyrant.dll" i686
stage "32-bit entries are cdecl" check_cdecl
stage "32-bit code has no x87 arithmetic" check_no_x87
stage "32-bit DLL compiles the 32-bit Linux module's sources with its flags" \
    check_same_build "$root/win32" "$root/i386" --require -msse2 --require -mfpmath=sse
stage "32-bit CLAP plug-in is a PE32 i386 library" check_machine "$root/win32/lib/clap/Zephyrant.clap" i686 pei-i386
stage "32-bit CLAP plug-in exports exactly clap_entry, as data" check_clap_exports "$root/win32/lib/clap/Zephyrant.clap" i686
stage "32-bit CLAP plug-in imports only system DLLs" check_imports "$root/win32/lib/clap/Zephyrant.clap" i686
stage "32-bit CLAP records have the published layout" check_clap_layout i686-w64-mingw32
stage "32-bit CLAP functions are cdecl" check_clap_cdecl
stage "64-bit DLL is a PE32+ x86-64 library" check_machine "$root/win64/Zephyrant.dll" x86_64 pei-x86-64
stage "64-bit DLL exports exactly VSTPluginMain and main" check_exports "$root/win64/Zephyrant.dll" x86_64
stage "64-bit DLL imports only system DLLs" check_imports "$root/win64/Zephyrant.dll" x86_64
stage "64-bit DLL compiles the Linux module's sources with its flags" \
    check_same_build "$root/win64" "$root/release"

stage "64-bit CLAP plug-in is a PE32+ x86-64 library" check_machine "$root/win64/lib/clap/Zephyrant.clap" x86_64 pei-x86-64
stage "64-bit CLAP plug-in exports exactly clap_entry, as data" check_clap_exports "$root/win64/lib/clap/Zephyrant.clap" x86_64
stage "64-bit CLAP plug-in imports only system DLLs" check_imports "$root/win64/lib/clap/Zephyrant.clap" x86_64
stage "64-bit CLAP records have the published layout" check_clap_layout x86_64-w64-mingw32

# The same minimal CLAP host, built for Linux and for 64-bit Windows, reads and
# renders the Linux and the Windows plug-in.
check_wine_clap() {
    local source=tests/clap/windows/ClapRenderCheck.cpp
    g++ -std=c++17 -O2 -I. "$source" -ldl -o "$out/clap-render-check" || return 1
    x86_64-w64-mingw32-g++-win32 -std=c++17 -O2 -static -I. "$source" -o "$root/win64/clap-render-check.exe" ||
        return 1
    "$out/clap-render-check" "$root/release/lib/clap/Zephyrant.clap" "$out/clap-linux64-texts.txt" \
        "$out/clap-linux64.raw" || return 1
    run_wine clap-render-check.exe lib/clap/Zephyrant.clap ../cross/clap-win64-texts.txt ../cross/clap-win64.raw ||
        return 1
    if ! diff -u "$out/clap-linux64-texts.txt" <(tr -d '\r' <"$out/clap-win64-texts.txt"); then
        echo "the Windows CLAP plug-in answers other texts than the Linux one"
        return 1
    fi
    echo "texts: identical to the Linux CLAP plug-in's"
    "$root/release/zephyrant-module-check" --compare "$out/clap-linux64.raw" "$out/clap-win64.raw" --tolerance "$tolerance"
}

# A fresh prefix each run: nothing of an earlier run or of the user's own Wine leaks in.
rm -rf "${root:?}/wine-prefix"
"${wine_env[@]}" "$(wine_tool wine)" wineboot --init >/dev/null 2>&1
stage "64-bit DLL under wine64: record, texts and the fixed phrase" check_wine_record_and_render
stage "64-bit zephyrant-info under wine64" check_wine_info
stage "64-bit zephyrant-render under wine64" check_wine_render
stage "64-bit CLAP plug-in under wine64: texts and a rendered phrase" check_wine_clap
"${wine_env[@]}" "$(wine_tool wineserver)" -w
rm -rf "${root:?}/wine-prefix"

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
