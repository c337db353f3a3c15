#!/bin/bash
# Builds the libFuzzer targets (clang, ASan + UBSan) in build-fuzz/ and runs each for SECONDS
# (default 60), seeded from the test fixtures. Inputs that break something are kept under
# build-fuzz/findings/. Exit status 1 when any target found something.
#
#     scripts/fuzz.sh [SECONDS] [TARGET ...]      e.g. scripts/fuzz.sh 10, scripts/fuzz.sh 600 IniText
set -uo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-60}
shift || true
build=${PENLOW_FUZZ_BUILD:-build-fuzz}

launcher=()
if command -v ccache >/dev/null; then
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
cmake -S . -B "$build" -G Ninja -DPENLOW_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ "${launcher[@]}" >/dev/null || exit 1
cmake --build "$build" --target fuzzers || exit 1

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
    for exe in "$build"/fuzz/fuzz_*; do
        targets+=("$(basename "$exe" | sed 's/^fuzz_//')")
    done
fi

failed=0
mkdir -p "$build/findings"
for target in "${targets[@]}"; do
    corpus="$build/corpus/$target"
    seeds="$build/seeds/$target"
    mkdir -p "$corpus"
    rm -rf "$seeds"
    python3 fuzz/seeds.py "$target" "$seeds" >/dev/null || exit 1
    log="$build/findings/$target.log"
    # One worker; -timeout catches a hang, -rss_limit_mb an unbounded allocation.
    "$build/fuzz/fuzz_$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -print_final_stats=1 -artifact_prefix="$build/findings/$target-" \
        "$corpus" "$seeds" >"$log" 2>&1
    status=$?
    runs=$(grep -m1 '^stat::number_of_executed_units' "$log" | awk '{print $2}')
    if [ $status -ne 0 ]; then
        failed=1
        echo "$target: FAILED after ${runs:-?} runs (see $log)"
        grep -m5 -E 'invariant broken|ERROR: |runtime error|SUMMARY' "$log"
    else
        echo "$target: ${runs:-?} runs in ${seconds} s, clean"
    fi
done
exit $failed
