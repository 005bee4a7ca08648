#!/bin/bash
# fuzz/run.sh SECONDS [TARGET...]: configures and builds the libFuzzer targets
# in build-fuzz (clang++), replays the committed seeds and past crashes, then
# fuzzes each target (picture map text script routes oracle by default) for SECONDS,
# as many at a time as there are cores (BRASTOR_FUZZ_JOBS to change).
# Findings land in build-fuzz/fuzz-work/<target>/crashes; the run fails on any.
set -u
seconds=${1:-60}
shift || true
targets=${*:-picture map text script routes oracle}
src=$(cd "$(dirname "$0")/.." && pwd)
build=${BRASTOR_FUZZ_BUILD:-$src/build-fuzz}
jobs=${BRASTOR_FUZZ_JOBS:-$(nproc)}

CXX=${CXX:-clang++} cmake -S "$src" -B "$build" -G Ninja -DBRASTOR_FUZZ=ON \
    -DBRASTOR_WINDOW=OFF -DBRASTOR_TESTS=OFF >/dev/null || exit 1
for t in $targets; do names+=("fuzz_$t"); done
cmake --build "$build" --target "${names[@]}" || exit 1

run_one() {
    local t=$1 work="$build/fuzz-work/$1"
    mkdir -p "$work/corpus" "$work/crashes"
    # The working corpus grows across runs; the committed seeds are read only.
    "$build/fuzz/fuzz_$t" -max_total_time="$seconds" -timeout=25 -rss_limit_mb=2048 \
        -print_final_stats=1 -artifact_prefix="$work/crashes/" \
        "$work/corpus" "$src/fuzz/corpus/$t" >"$work/log" 2>&1
}

declare -A status
running=0
for t in $targets; do
    if [ "$running" -ge "$jobs" ]; then
        wait -n
        running=$((running - 1))
    fi
    echo "fuzz_$t: ${seconds}s"
    run_one "$t" &
    pids[$!]=$t
    running=$((running + 1))
done
for pid in "${!pids[@]}"; do
    wait "$pid"
    status[${pids[$pid]}]=$?
done

failed=0
for t in $targets; do
    log="$build/fuzz-work/$t/log"
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
    echo "fuzz_$t: status ${status[$t]}, ${runs:-?} executions"
    if [ "${status[$t]}" -ne 0 ] || [ -n "$(ls -A "$build/fuzz-work/$t/crashes")" ]; then
        grep -m1 -A30 'ERROR: \|runtime error\|deadly signal' "$log"
        ls "$build/fuzz-work/$t/crashes"
        failed=1
    fi
done
exit $failed
