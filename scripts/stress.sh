#!/bin/bash
# Builds the device page's stress test in the AddressSanitizer and ThreadSanitizer trees
# (build-asan/, build-tsan/) and runs it in both at once for SECONDS each (default 1800), at
# low priority, with core dumps allowed. Each run's log is build-<kind>/stress.log; the seed it
# printed replays the run (PENLOW_STRESS_SEED=N scripts/stress.sh 60). Exit status 1 when a run
# failed.
#
#     scripts/stress.sh [SECONDS] [asan|tsan]     e.g. scripts/stress.sh 60, scripts/stress.sh 600 tsan
set -uo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-1800}
shift || true
kinds=("$@")
if [ ${#kinds[@]} -eq 0 ]; then
    kinds=(asan tsan)
fi
target=devicepages_stress_test
ulimit -c unlimited 2>/dev/null || ulimit -c "$(ulimit -H -c)"

launcher=()
if command -v ccache >/dev/null; then
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
declare -A sanitize=([asan]=ON [tsan]=thread)
for kind in "${kinds[@]}"; do
    cmake -S . -B "build-$kind" -G Ninja -DPENLOW_SANITIZE="${sanitize[$kind]}" "${launcher[@]}" \
        >/dev/null || exit 1
    nice -n 10 cmake --build "build-$kind" --target "$target" || exit 1
done

# The test's command and environment as CTest would give them (HOME, XDG folders, sanitizer
# options), without CTest's time-out.
run() {
    local build=$1
    local -a command
    mapfile -d '' command < <(ctest --test-dir "$build" --show-only=json-v1 -R "^$target\$" |
        python3 -c '
import json, sys
test = json.load(sys.stdin)["tests"][0]
env = next(p["value"] for p in test["properties"] if p["name"] == "ENVIRONMENT")
sys.stdout.write("\0".join(["env"] + env + test["command"]) + "\0")')
    PENLOW_STRESS_SECONDS=$seconds nice -n 10 "${command[@]}" >"$build/stress.log" 2>&1
}

declare -A runs
for kind in "${kinds[@]}"; do
    run "build-$kind" &
    runs[$kind]=$!
done
failed=0
for kind in "${kinds[@]}"; do
    if wait "${runs[$kind]}"; then
        echo "$kind: passed"
    else
        echo "$kind: FAILED (exit $?), see build-$kind/stress.log"
        failed=1
    fi
    grep -E '^stress: (seed|[0-9]+ steps)' "build-$kind/stress.log" | sed "s/^/$kind: /"
done
exit $failed
