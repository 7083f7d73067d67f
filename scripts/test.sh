#!/usr/bin/env bash
# Every test: install what is missing, build everything with warnings as errors and
# run the tests; then build the tests once more under AddressSanitizer and UBSan and run them again;
# run each fuzz harness of the readers for 30 s; last, install into an empty prefix and build and
# check the Debian package.
set -euo pipefail
cd "$(dirname "$0")/.."
top=$(pwd)

bash scripts/install_deps.sh

jobs=2
export CTEST_OUTPUT_ON_FAILURE=1

echo "== Build (RelWithDebInfo, warnings as errors)"
cmake -S "$top" -B "$top/build-ci" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DCMAKE_CXX_FLAGS=-Werror
cmake --build "$top/build-ci" -j "$jobs"

echo "== Sanitizer build of the tests"
cmake -S "$top" -B "$top/build-ci-asan" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
      -DVELORA_SANITIZE=ON -DVELORA_BUILD_BENCH=OFF
cmake --build "$top/build-ci-asan" -j "$jobs"

echo "== Tests under the sanitizers"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir "$top/build-ci-asan" -j "$jobs" --timeout 600

echo "== Tests"
ctest --test-dir "$top/build-ci" -j "$jobs" --timeout 600

echo "== The readers' fuzz harnesses, 30 s each (where clang is installed)"
bash scripts/fuzz.sh 30

echo "== Install into an empty prefix, desktop entry, metainfo and the Debian package"
bash scripts/check_package.sh "$top/build-ci"
