#!/usr/bin/env bash
# The readers' libFuzzer harnesses (tests/fuzz/) under AddressSanitizer and UBSan, built with clang
# in build-fuzz/. Each harness runs from a copy of its committed corpus, so new inputs never land in
# the repository.
#
#   bash scripts/fuzz.sh [SECONDS] [HARNESS ...]      each harness for SECONDS (default 30)
#   FUZZ_RUNS=10000000 bash scripts/fuzz.sh 0 zip     a number of executions instead of a time
#
# Without clang++ it says so and does nothing: the normal build runs each corpus as a CTest test.
# A crash leaves the input beside the harness's log in build-fuzz/fuzz-work/ and the script fails.
set -euo pipefail
cd "$(dirname "$0")/.."
top=$(pwd)
seconds=${1:-30}
shift || true
harnesses=("$@")
[ ${#harnesses[@]} -gt 0 ] || harnesses=(labradar xero_csv xero_fit magnetospeed generic_csv string_json zip detect drag_table projectile_file
                                       sheet preferences shots_file unit_value cli_arguments)

if ! command -v clang++ > /dev/null; then
    echo "fuzz.sh: no clang++, so no libFuzzer; the corpora run as tests of the normal build instead"
    exit 0
fi

build="$top/build-fuzz"
cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
      -DVELORA_FUZZ=ON -DVELORA_BUILD_GUI=OFF -DVELORA_BUILD_TESTS=OFF -DVELORA_BUILD_BENCH=OFF > /dev/null
targets=()
for h in "${harnesses[@]}"; do targets+=("fuzz_$h"); done
cmake --build "$build" -j 2 --target "${targets[@]}"

status=0
for h in "${harnesses[@]}"; do
    work="$build/fuzz-work/$h"
    mkdir -p "$work/corpus"
    cp -n "$top/tests/fuzz/corpus/$h/"* "$work/corpus/" 2> /dev/null || true
    limit=(-max_total_time="$seconds")
    [ -n "${FUZZ_RUNS:-}" ] && limit=(-runs="$FUZZ_RUNS")
    # A workbook needs room: a compound file is at least five 512-byte sectors.
    max_len=2048
    [ "$h" = sheet ] && max_len=16384
    echo "== fuzz_$h"
    if ! (cd "$work" && ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
          "$build/tests/fuzz/fuzz_$h" "${limit[@]}" -max_len="$max_len" -timeout=10 -rss_limit_mb=2048 \
          -print_final_stats=1 "$work/corpus" > "$work/log.txt" 2>&1); then
        echo "fuzz_$h FAILED; see $work/log.txt"
        tail -40 "$work/log.txt"
        status=1
    fi
    grep -E "stat::number_of_executed_units|Done [0-9]+ runs" "$work/log.txt" | tail -2 || true
done
exit $status
