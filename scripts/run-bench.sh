#!/usr/bin/env bash
# Builds the benchmarks, runs them with repetitions and prints the median cost per
# sample of each case with its ratio to the reference instrument of the same run.
# Usage: scripts/run-bench.sh [extra benchmark options]
# Environment: BUILD_DIR (default build/bench), REPETITIONS (default 10), JOBS (default 2).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh bench

build_dir=${BUILD_DIR:-build/bench}
repetitions=${REPETITIONS:-10}
jobs=${JOBS:-2}

cmake -S . -B "$build_dir" -DCMAKE_BUILD_TYPE=Release -DZEPHYRANT_BENCH=ON \
    -DZEPHYRANT_TESTS=OFF -DZEPHYRANT_TOOLS=ON >/dev/null
cmake --build "$build_dir" --target zephyrant_bench -j"$jobs"

json="$build_dir/bench-results.json"
"$build_dir/bench/zephyrant_bench" --benchmark_repetitions="$repetitions" \
    --benchmark_report_aggregates_only=true --benchmark_enable_random_interleaving=true \
    --benchmark_out="$json" --benchmark_out_format=json "$@"

python3 - "$json" <<'PY'
import json, sys

with open(sys.argv[1]) as f:
    runs = json.load(f)["benchmarks"]
median = {r["run_name"]: 1e9 / r["items_per_second"]
          for r in runs if r.get("aggregate_name") == "median" and r["run_name"] != "DemoPiece"}
reference = median["ReferenceMandolin"]
cases = [("NoNote", "(a) no note", 0.6),
         ("HeldNoteDefaultProgram", "(b) held note, default program", 3.5),
         ("HeldNoteEveryStage", "(c) held note, every stage on", 7.0)]
print()
print(f"median ns per sample (CPU time), reference instrument: {reference:.2f}")
print(f"{'case':34} {'ns/sample':>10} {'ratio':>7} {'target':>7}")
failed = False
for name, label, target in cases:
    ratio = median[name] / reference
    ok = ratio <= target
    failed |= not ok
    print(f"{label:34} {median[name]:10.2f} {ratio:6.2f}x {target:6.1f}x {'ok' if ok else 'MISSED'}")
chord_off = median.get("HeldNoteEveryStageButPowerChord")
if chord_off is not None:
    print(f"{'(c) without PowerChord':34} {chord_off:10.2f} {chord_off / reference:6.2f}x")
blocks = {int(name.split("/")[1]): cost for name, cost in median.items() if name.startswith("HeldNoteInBlocksOf/")}
if 512 in blocks:
    print()
    print("held note, default program, by block size (cost per sample against blocks of 512):")
    for size in sorted(blocks):
        print(f"  blocks of {size:4}: {blocks[size]:8.2f} ns/sample {blocks[size] / blocks[512]:6.2f}x")
demo = [r for r in runs if r["run_name"] == "DemoPiece" and r.get("aggregate_name") == "median"]
if demo:
    print(f"demo piece (examples/demo.mid, default program): {demo[0]['realtime']:.0f}x real time")
sys.exit(1 if failed else 0)
PY
