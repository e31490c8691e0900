#!/usr/bin/env bash
# Checks the built LV2 bundle with the tools a user of LV2 has: its Turtle files
# validate against the LV2 vocabulary that lv2-dev installs, without an error or a warning,
# lv2info lists the plug-in with its 22 ports and every preset, lv2bench runs it, its library
# exports nothing but lv2_descriptor, and cmake --install puts the whole bundle
# into lib/lv2/ of the prefix and the factory sounds' VST 2.x files into
# share/zephyrant/presets.
# Usage: scripts/check-lv2-bundle.sh BUILD_DIR (the bundle is BUILD_DIR/lib/lv2/zephyrant.lv2)
set -uo pipefail
build=$(cd "${1:?usage: check-lv2-bundle.sh BUILD_DIR}" && pwd)
lv2dir=$build/lib/lv2
bundle=$lv2dir/zephyrant.lv2
uri=urn:korvantis:zephyrant
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
passed=0
failed=0

report() {
    if [ "$2" -eq 0 ]; then
        echo "ok: $1"
        passed=$((passed + 1))
    else
        echo "FAILED: $1"
        sed 's/^/    /' "$out/log"
        failed=$((failed + 1))
    fi
}

# Debian's lv2_validate names one vocabulary file that the package does not
# ship and says so on every run; that line is about the installed vocabulary.
lv2_validate "$bundle"/*.ttl >"$out/log" 2>&1
status=$?
grep -q '^Found 0 errors' "$out/log" || status=1
grep -v -e '^Skipping file /usr/lib/lv2/' -e '^Found 0 errors' "$out/log" | grep -qiE 'error|warn' && status=1
report "lv2_validate: $(grep -o 'Found [0-9]* errors.*' "$out/log" || echo 'no summary')" $status

LV2_PATH=$lv2dir lv2info "$uri" >"$out/info" 2>"$out/log"
status=$?
ports=$(grep -cE '^\s+Port [0-9]+:$' "$out/info")
{ [ "$(head -n 1 "$out/info")" = "$uri" ] && [ "$ports" -eq 22 ]; } || status=1
cat "$out/info" >>"$out/log"
report "lv2info: $uri with $ports ports" $status

# Every preset of the manifest appears in lv2info's list under its label.
expected=$(grep -c 'a pset:Preset' "$bundle/manifest.ttl")
listed=$(sed -n '/^\tPresets:/,/^$/p' "$out/info" | grep -cE '^\s+\S')
status=0
{ [ "$expected" -gt 1 ] && [ "$listed" -eq $((expected + 1)) ]; } || status=1
grep -qE '^\s+Basic$' "$out/info" || status=1
report "lv2info: $expected presets, Basic among them" $status

LV2_PATH=$lv2dir lv2bench -n 88200 -b 512 "$uri" >"$out/bench" 2>"$out/log"
status=$?
grep -qE "^[0-9.]+ $uri\$" "$out/bench" || status=1
[ -s "$out/log" ] && status=1
cat "$out/bench" >>"$out/log"
report "lv2bench: $(cat "$out/bench")" $status

nm -D --defined-only "$bundle/zephyrant.so" >"$out/log" 2>&1
status=$?
[ "$(awk '{print $NF}' "$out/log")" = lv2_descriptor ] || status=1
report "exports: $(awk '{print $NF}' "$out/log" | tr '\n' ' ')" $status

cmake --install "$build" --prefix "$out/prefix" >"$out/log" 2>&1
status=$?
for file in zephyrant.so manifest.ttl zephyrant.ttl presets.ttl; do
    cmp -s "$bundle/$file" "$out/prefix/lib/lv2/zephyrant.lv2/$file" || status=1
done
LV2_PATH=$out/prefix/lib/lv2 lv2info "$uri" >>"$out/log" 2>&1 || status=1
report "cmake --install: the bundle in lib/lv2/zephyrant.lv2" $status

# The same install puts the factory sounds' program and bank files beside it.
status=0
presets=$build/share/zephyrant/presets
installed=$out/prefix/share/zephyrant/presets
[ -f "$presets/Zephyrant Factory.fxb" ] || status=1
diff -r "$presets" "$installed" >"$out/log" 2>&1 || status=1
report "cmake --install: $(ls "$installed" 2>/dev/null | wc -l) program and bank files in share/zephyrant/presets" $status

echo "lv2 bundle: $passed passed, $failed failed"
[ $failed -eq 0 ]
