#!/usr/bin/env bash
# Builds the fuzz targets (tests/fuzz) with clang into build/fuzz and runs them.
#
#   scripts/fuzz.sh TARGET SECONDS [LIBFUZZER OPTIONS...]
#       Runs one target for that long. The corpus it grows stays in
#       build/fuzz/corpus/TARGET for the next run; findings go to
#       build/fuzz/findings/TARGET/.
#   scripts/fuzz.sh --check [RUNS]
#       Runs every target for a fixed number of inputs from its seeds, two at a
#       time, as the test suite does; fails with the reproducer's path when one
#       of them finds something.
#   scripts/fuzz.sh --list
#       Names the targets.
#
# A finding is replayed with: build/fuzz/fuzz-targets/TARGET FILE, with
# ZEPHYRANT_FUZZ_TRACE=1 in the environment to see what the input did.
set -euo pipefail
cd "$(dirname "$0")/.."

build=build/fuzz
targets_dir=$build/fuzz-targets
seeds_dir=tests/fuzz/corpus
jobs=$(nproc)
# Each target's input count in the test suite; the plug-in targets render audio for
# every input and take fewer.
check_runs_file_readers=20000
check_runs_plugins=6000

usage() {
    echo "usage: scripts/fuzz.sh TARGET SECONDS [LIBFUZZER OPTIONS...] | --check [RUNS] | --list" >&2
    exit 2
}

# Configures build/fuzz with clang once, then builds the targets; a failure shows
# the end of the build's output.
build_targets() {
    scripts/install-deps.sh fuzz
    mkdir -p "$build"
    if { [ -f "$build/CMakeCache.txt" ] ||
        CC=clang CXX=clang++ cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZEPHYRANT_FUZZ=ON \
            -DZEPHYRANT_TESTS=OFF -DZEPHYRANT_TOOLS=OFF -DZEPHYRANT_LV2=OFF >"$build/build.log" 2>&1; } &&
        cmake --build "$build" -j"$jobs" --target zephyrant-fuzz >"$build/build.log" 2>&1; then
        return
    fi
    tail -n 30 "$build/build.log" >&2
    echo "fuzz.sh: building the fuzz targets failed; the whole output is in $build/build.log" >&2
    exit 1
}

target_names() {
    find "$targets_dir" -maxdepth 1 -type f -executable -printf '%f\n' | sort
}

# A report of a finding in the log: the target, the reproducer and how to replay it.
report_finding() {
    local target=$1 log=$2
    local reproducer
    reproducer=$(sed -n 's/.*Test unit written to \(.*\)$/\1/p' "$log" | tail -n 1)
    grep -E 'expected |ERROR: |runtime error: |SUMMARY: ' "$log" | head -n 5 >&2 || true
    if [ -n "$reproducer" ]; then
        local inputs
        inputs=$(grep -oE '^#[0-9]+' "$log" | tail -n 1 | tr -d '#')
        echo "fuzz target $target found a fault after ${inputs:-its seed} inputs; reproducer: $reproducer" >&2
        echo "  replay: $targets_dir/$target $reproducer" >&2
    else
        echo "fuzz target $target failed without a reproducer; its output: $log" >&2
    fi
}

# Runs one target for a fixed number of inputs from its seeds and a fresh corpus.
check_target() {
    local target=$1 runs=$2
    local work=$build/check/$target findings=$build/findings/$target
    rm -rf "$work" "$build/check/$target.result"
    mkdir -p "$work/corpus" "$findings"
    local start=$SECONDS status=0
    UBSAN_OPTIONS=print_stacktrace=1 "$targets_dir/$target" -runs="$runs" -seed=1 -timeout=10 \
        -artifact_prefix="$findings/" -print_final_stats=1 "$work/corpus" "$seeds_dir/$target" \
        >"$work/log" 2>&1 || status=$?
    if [ "$status" -ne 0 ]; then
        report_finding "$target" "$work/log"
        return 1
    fi
    local coverage
    coverage=$(sed -n 's/.* cov: \([0-9]*\) .*/\1/p' "$work/log" | tail -n 1)
    echo "$target: $runs inputs in $((SECONDS - start)) s, coverage ${coverage:-?}, nothing found"
}

check_all() {
    local runs_override=${1:-}
    build_targets
    local names
    names=$(target_names)
    for target in $names; do
        local runs=$check_runs_plugins
        case $target in midi-file | program-file) runs=$check_runs_file_readers ;; esac
        [ -n "$runs_override" ] && runs=$runs_override
        while [ "$(jobs -rp | wc -l)" -ge "$jobs" ]; do
            wait -n || true
        done
        (check_target "$target" "$runs" && echo ok >"$build/check/$target.result" ||
            echo failed >"$build/check/$target.result") &
    done
    wait
    local failed=0
    for target in $names; do
        [ "$(cat "$build/check/$target.result" 2>/dev/null)" = ok ] || failed=1
    done
    return $failed
}

run_target() {
    local target=$1 seconds=$2
    shift 2
    build_targets
    if [ ! -x "$targets_dir/$target" ]; then
        echo "fuzz.sh: no target '$target'; the targets are: $(target_names | tr '\n' ' ')" >&2
        exit 2
    fi
    local corpus=$build/corpus/$target findings=$build/findings/$target
    mkdir -p "$corpus" "$findings"
    local log=$build/$target.log status=0
    echo "Fuzzing $target for $seconds s: corpus $corpus, findings $findings/, output $log"
    UBSAN_OPTIONS=print_stacktrace=1 "$targets_dir/$target" -max_total_time="$seconds" -timeout=10 \
        -artifact_prefix="$findings/" -print_final_stats=1 "$@" "$corpus" "$seeds_dir/$target" \
        >"$log" 2>&1 || status=$?
    grep -E '^#[0-9]+ +DONE|stat::number_of_executed_units|stat::average_exec_per_sec' "$log" || true
    if [ "$status" -ne 0 ]; then
        report_finding "$target" "$log"
        exit 1
    fi
}

case "${1:-}" in
    --check) check_all "${2:-}" ;;
    --list)
        build_targets
        target_names
        ;;
    "" | -*) usage ;;
    *)
        [ $# -ge 2 ] && [[ $2 =~ ^[0-9]+$ ]] || usage
        run_target "$@"
        ;;
esac
