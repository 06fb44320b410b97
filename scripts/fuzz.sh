#!/bin/bash
# Builds the fuzz targets with clang (libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs each for a fixed number of inputs,
# several targets at a time, starting from its corpus in fuzz/corpus/.
# Fails on any crash, failed check, leak, timeout or allocation over the
# limits; the input that failed is kept in build-fuzz/runs/<target>/.
#
#   bash scripts/fuzz.sh [runs] [target...]
#
# runs: inputs per target (default 20000); targets: names as in
# fuzz/corpus/ (default: every target). FUZZ_JOBS sets how many run at once
# (default: the number of cores).
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-20000}
shift || true
jobs=${FUZZ_JOBS:-$(nproc)}

CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBRINE_FUZZ=ON \
  -DBRINE_BUILD_BENCH=OFF > /dev/null
cmake --build build-fuzz -j "$jobs" --target fuzz_targets

if [ $# -gt 0 ]; then
  targets=("$@")
else
  targets=()
  for d in fuzz/corpus/*/; do targets+=("$(basename "$d")"); done
fi

out=build-fuzz/runs
rm -rf "$out"
mkdir -p "$out"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:halt_on_error=1:allocator_may_return_null=0
export LSAN_OPTIONS=suppressions=$PWD/scripts/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export QT_QPA_PLATFORM=offscreen

run_one() {
  local t=$1 runs=$2 out=$3
  mkdir -p "$out/$t/corpus"
  # New inputs go to the scratch corpus; the kept corpus is only read.
  if "build-fuzz/fuzz/fuzz_$t" -runs="$runs" -malloc_limit_mb=1024 -rss_limit_mb=2048 -timeout=20 \
      -print_final_stats=1 -artifact_prefix="$out/$t/" "$out/$t/corpus" "fuzz/corpus/$t" > "$out/$t/log" 2>&1; then
    echo "ok    $t: $(grep -m1 -E '^#[0-9]+[[:space:]]+DONE' "$out/$t/log" | sed -E 's/[[:space:]]+/ /g')"
  else
    echo "FAIL  $t (log: $out/$t/log)"
    return 1
  fi
}
export -f run_one

status=0
printf '%s\n' "${targets[@]}" | xargs -P "$jobs" -I{} bash -c 'run_one "$@"' _ {} "$runs" "$out" || status=1
if [ $status -ne 0 ]; then
  for t in "${targets[@]}"; do
    if ! grep -qE '^#[0-9]+[[:space:]]+DONE' "$out/$t/log" 2>/dev/null; then
      echo "---- $t"
      grep -E 'ERROR|==brine-fuzz==|SUMMARY|Test unit written|out-of-memory|timeout' "$out/$t/log" | head -20 || true
    fi
  done
fi
exit $status
