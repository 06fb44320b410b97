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
# fuzz/CMakeLists.txt (default: every target). FUZZ_JOBS sets how many run at
# once (default: the number of cores). FUZZ_SEED=N makes the run
# repeatable: the same commit, runs and seed try the same inputs. Unset or
# 0, each target picks its own seed; every result line shows the seed used.
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-20000}
shift || true
jobs=${FUZZ_JOBS:-$(nproc)}
seed=${FUZZ_SEED:-0}

CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBRINE_FUZZ=ON \
  -DBRINE_BUILD_BENCH=OFF > /dev/null
cmake --build build-fuzz -j "$jobs" --target fuzz_targets

if [ $# -gt 0 ]; then
  targets=("$@")
else
  mapfile -t targets < build-fuzz/fuzz/targets
fi

# Addresses reach the mutations through compared values, so a repeatable
# run needs them fixed; some containers refuse that.
fixed="setarch $(uname -m) --addr-no-randomize"
if ! $fixed true 2> /dev/null; then
  [ "$seed" = 0 ] || echo "note: addresses cannot be fixed here, so the inputs tried differ between runs"
  fixed=""
fi

# Everything a run writes stays under the checkout.
out=build-fuzz/runs
rm -rf "$out"
mkdir -p "$out"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:halt_on_error=1:allocator_may_return_null=0
export LSAN_OPTIONS=suppressions=$PWD/scripts/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export QT_QPA_PLATFORM=offscreen QT_HASH_SEED=0 TZ=UTC LC_ALL=C.UTF-8

# -timeout: no input of any corpus, kept or found in 20000 runs, took over
# 0.11 s on two cores each shared with a busy loop.
run_one() {
  local t=$1 dir=$out/$1
  mkdir -p "$dir/corpus"
  # The kept corpus is only read, in name order (folder listings differ
  # between file systems); new inputs go to the scratch corpus.
  local seeds=()
  if [ -d "fuzz/corpus/$t" ]; then
    find "fuzz/corpus/$t" -type f | LC_ALL=C sort | paste -sd, | tr -d "\n" > "$dir/seeds"
    [ -s "$dir/seeds" ] && seeds=(-seed_inputs=@"$dir/seeds")
  fi
  if BRINE_FUZZ_WORKSPACE="$PWD/$dir/work" $fixed "build-fuzz/fuzz/fuzz_$t" -seed="$seed" \
      -runs="$runs" -reload=0 -malloc_limit_mb=1024 -rss_limit_mb=2048 -timeout=10 -print_final_stats=1 \
      -artifact_prefix="$dir/" "${seeds[@]}" "$dir/corpus" > "$dir/log" 2>&1; then
    echo "ok    $t seed $(sed -n 's/^INFO: Seed: //p' "$dir/log"): $(grep -m1 -E '^#[0-9]+[[:space:]]+DONE' "$dir/log" |
      sed -E 's/[[:space:]]+/ /g; s/ (exec\/s|rss): [0-9]+(Mb)?//g')"
  else
    echo "FAIL  $t seed $(sed -n 's/^INFO: Seed: //p' "$dir/log") (log: $dir/log)"
    return 1
  fi
}
export -f run_one
export out seed runs fixed

status=0
printf '%s\n' "${targets[@]}" | xargs -P "$jobs" -I{} bash -c 'run_one "$@"' _ {} || status=1
if [ $status -ne 0 ]; then
  for t in "${targets[@]}"; do
    if ! grep -qE '^#[0-9]+[[:space:]]+DONE' "$out/$t/log" 2>/dev/null; then
      echo "---- $t"
      grep -E 'ERROR|==brine-fuzz==|SUMMARY|Test unit written|out-of-memory|timeout' "$out/$t/log" | head -20 || true
    fi
  done
fi
exit $status
