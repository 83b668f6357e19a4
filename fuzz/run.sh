#!/usr/bin/env bash
# Builds the fuzz targets with clang into build-fuzz/ and runs each, one after
# another, for SECONDS on a copy of its seed corpus.
#   fuzz/run.sh SECONDS [target...]
# targets: addresslist serveraddress attachmentlist headerencoder smtpreplies messagereader (all by default)
# A target that crashes is started again for the time left (at most 5 times),
# so it still gets its full time; crash inputs land in fuzz/crashes/<target>/.
# Ends with status 1, naming the target and why, when a target could not run
# or its code showed libFuzzer no coverage: such a run fuzzes nothing.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/ensure-packages.sh clang libclang-rt-14-dev

seconds=${1:?usage: fuzz/run.sh SECONDS [target...]}
shift
targets=("$@")
((${#targets[@]})) || targets=(addresslist serveraddress attachmentlist headerencoder smtpreplies messagereader)

build=build-fuzz
if [[ ! -f $build/CMakeCache.txt ]]; then
  CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DKORVANE_FUZZ=ON -DBUILD_TESTING=OFF \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$build" -j1 --target "${targets[@]/#/fuzz_}"

# Shorter allocation stacks and no fill: the checks allocate a lot, and speed buys coverage.
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:malloc_context_size=2:quarantine_size_mb=32:max_malloc_fill_size=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
# Why a run without a finding did not fuzz, if it did not: it ended early
# (status), libFuzzer saw no coverage, or it never reached its first inputs.
not_fuzzing() {
  local log=$1 status=$2 cov
  if grep -q 'no interesting inputs were found' "$log"; then
    echo "no coverage: the code under test is not instrumented"
  elif grep -q 'INFO: A corpus is not provided' "$log"; then
    echo "no seed corpus was read"
  elif ((status != 0)); then
    echo "stopped with status $status without a finding: $(grep -m1 -E 'ERROR|error' "$log" || tail -1 "$log")"
  else
    cov=$(sed -n 's/.*INITED cov: \([0-9]*\).*/\1/p' "$log" | tail -1)
    ((${cov:-0} > 0)) || echo "no coverage (cov: ${cov:-none})"
  fi
}

summary=() failed=()
for t in "${targets[@]}"; do
  work=$build/fuzz-work/$t
  rm -rf "$work" && mkdir -p "$work/corpus" "$work/artifacts"
  cp fuzz/corpus/"$t"/* "$work/corpus/"
  execs=0 runs=0 started=$SECONDS
  while :; do
    left=$((seconds - (SECONDS - started)))
    ((left > 0 && runs < 6)) || break
    runs=$((runs + 1))
    log=$work/run$runs.log
    echo "== $t: run $runs for ${left}s (log $log)"
    status=0
    "$build/fuzz/fuzz_$t" -max_total_time="$left" -print_final_stats=1 -max_len=4096 -timeout=10 \
      -artifact_prefix="$work/artifacts/" "$work/corpus" >"$log" 2>&1 || status=$?
    n=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
    if [[ -z $n ]]; then  # a crash ends the run before the final stats: take the last status line
      n=$(grep -o '^#[0-9]*' "$log" | tail -1 | tr -d '#')
    fi
    execs=$((execs + ${n:-0}))
    # A finding (crash, leak, time-out) is written out; any other early end is not fuzzing.
    if ! grep -q 'Test unit written to' "$log"; then
      why=$(not_fuzzing "$log" "$status")
      if [[ -n $why ]]; then
        echo "   $why"
        failed+=("$t: $why (log $log)")
        break
      fi
    fi
    grep -q '^stat::number_of_executed_units' "$log" && ! grep -qE 'ERROR: |invariant broken' "$log" && break
    grep -hE 'invariant broken|ERROR: |SUMMARY: ' "$log" | head -3 | sed 's/^/   /'
  done
  found=$(find "$work/artifacts" -type f | wc -l)
  if ((found)); then
    mkdir -p fuzz/crashes/"$t"
    cp "$work"/artifacts/* fuzz/crashes/"$t"/
  fi
  summary+=("$(printf '%-15s %12s executions in %5ss, %d run(s), %d finding(s)' \
    "$t" "$execs" "$((SECONDS - started))" "$runs" "$found")")
done
echo "== summary"
printf '%s\n' "${summary[@]}"
if ((${#failed[@]})); then
  echo "== FAILED: ${#failed[@]} target(s) did not fuzz"
  printf '%s\n' "${failed[@]}"
  exit 1
fi
