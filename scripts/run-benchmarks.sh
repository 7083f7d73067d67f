#!/usr/bin/env bash
# Runs the speed benchmarks behind the README's performance table and prints the median of each,
# then the start-up of the desktop program (scripts/measure-startup.sh) when it is built.
#
#   scripts/run-benchmarks.sh [BUILD_DIR] [REPETITIONS]
#
# The single-thread benchmarks are pinned to the last processor, the recalculation passes (which
# use two threads) and the start-up to the last two. On a machine shared with other work, run as
# root: each program then runs in a scheduling group of its own at raised priority, so that the
# other work does not take the processors from it in the middle of a measurement. The load
# average is printed first.
set -euo pipefail

here=$(dirname "$(realpath "$0")")
build=${1:-build}
reps=${2:-9}
last=$(($(nproc) - 1))
pair=$((last > 0 ? last - 1 : 0)),$last

for b in engine/bench_trajectory solver/bench_solver solver/bench_pass; do
    [ -x "$build/bench/$b" ] || { echo "no benchmark at $build/bench/$b: build it first" >&2; exit 1; }
done

echo "load average: $(cut -d' ' -f1-3 /proc/loadavg)"

# pinned CPUS COMMAND...: the command on those processors, in a group of its own when allowed.
pinned() {
    local cpus=$1
    shift
    if [ -w /proc/self/autogroup ]; then
        setsid -w bash -c 'echo -19 >/proc/self/autogroup; exec "$@"' pinned taskset -c "$cpus" "$@"
    else
        taskset -c "$cpus" "$@"
    fi
}

# medians CPUS PROGRAM FILTER: the medians of the repetitions of one benchmark program.
medians() {
    pinned "$1" "$2" --benchmark_filter="$3" --benchmark_repetitions="$reps" \
        --benchmark_report_aggregates_only=true 2>/dev/null | grep '_median'
}

medians "$last" "$build/bench/engine/bench_trajectory" 'BM_Trajectory'
medians "$last" "$build/bench/solver/bench_solver" 'BM_PredictMeasurement'
medians "$pair" "$build/bench/solver/bench_pass" '.'

if [ -x "$build/app/velora" ] && command -v xvfb-run >/dev/null && command -v xev >/dev/null; then
    pinned "$pair" bash "$here/measure-startup.sh" "$build" 11 | tail -1
else
    echo "start-up not measured: no $build/app/velora, or xvfb-run or xev missing"
fi
