#!/bin/bash
# Installs what is needed, builds and runs every test, then builds and runs
# them again under AddressSanitizer and UndefinedBehaviorSanitizer, and
# finally fuzzes every file reader for a short while.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
jobs=$(nproc)

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j "$jobs"
(cd build && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j "$jobs")

cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DBRINE_SANITIZE=ON -DBRINE_BUILD_BENCH=OFF
cmake --build build-asan -j "$jobs"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:halt_on_error=1
export LSAN_OPTIONS=suppressions=$PWD/scripts/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
(cd build-asan && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j "$jobs")

# Every fuzz target, a fixed number of inputs each, from a fixed seed so
# that two runs of one commit try the same inputs.
FUZZ_SEED=1 bash scripts/fuzz.sh 20000
