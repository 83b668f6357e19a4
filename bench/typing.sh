#!/usr/bin/env bash
# Key latency while typing into a 5 MB body, with the recovery copy kept
# (written about every second on its own thread) and, as the control,
# without it. About a minute.
# SPELLING=1: instead, Italian prose typed as words, the recovery copy kept,
# with the spelling check on and off in turn, each key timed to the end of its
# marks and repaint.
# ADDRESSES=1: instead, keys typed into Destinatario after four finished
# addresses, with a full address file of names LENGTHS long, the address
# checks on and off in turn, their domains asked of the tests' loopback name
# server.
#   bench/typing.sh                 RUNS=3 SECONDS_TYPED=10 MB=5 SPELLING=0 ADDRESSES=0 LENGTHS="20 1900"
#   BUILD=build bench/typing.sh     reuse a tree configured with -DKORVANE_BENCH=ON
set -euo pipefail
cd "$(dirname "$0")/.."
source bench/lib.sh

RUNS=${RUNS:-3} SECONDS_TYPED=${SECONDS_TYPED:-10} MB=${MB:-5} SPELLING=${SPELLING:-0}
ADDRESSES=${ADDRESSES:-0} LENGTHS=${LENGTHS:-20 1900}
BUILD=${BUILD:-build-bench}
if [[ $BUILD == build-bench ]]; then
  cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKORVANE_BENCH=ON -DBUILD_TESTING=OFF >/dev/null
fi
cmake --build "$BUILD" -j"$(nproc)" --target korvane-bench >/dev/null

start_work korvane-typing
mkdir -m 700 "$WORK/runtime" "$WORK/config"
export QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR=$WORK/runtime XDG_CONFIG_HOME=$WORK/config
echo "load at start: $(load_now)"
if [[ $ADDRESSES == 1 ]]; then
  start_helper "$PY" tests/support/name_server.py
  export KORVANE_CLIENT_NAMESERVER=127.0.0.1:$REPLY
  # The exit status too: the figures are out before the program ends.
  echo "| checks | name length | run | keys | median ms | 99th percentile ms | worst ms | worst key's CPU ms | marks | exit |"
  echo "|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|"
  for run in $(seq "$RUNS"); do
    for length in $LENGTHS; do
      for checks in 1 0; do
        status=0
        out=$(timeout 120 "$BUILD/bench/korvane-bench" addresses "$length" "$SECONDS_TYPED" "$checks") || status=$?
        name=on; [[ $checks == 0 ]] && name=off
        echo "| $name | $length | $run | $(field keys <<<"$out") | $(field latency_median_ms <<<"$out") |" \
          "$(field latency_p99_ms <<<"$out") | $(field latency_max_ms <<<"$out") |" \
          "$(field worst_key_cpu_ms <<<"$out") | $(field marks <<<"$out") | $status |"
        rm -rf "${WORK:?}/config/"*
      done
    done
  done
  echo "load at end: $(load_now)"
  exit 0
fi
if [[ $SPELLING == 1 ]]; then
  echo "| spelling | run | keys | median ms | 99th percentile ms | worst ms |"
  echo "|---|---:|---:|---:|---:|---:|"
  for run in $(seq "$RUNS"); do
    for spelling in 1 0; do
      out=$(timeout 120 "$BUILD/bench/korvane-bench" typing "$MB" 1 "$SECONDS_TYPED" "$spelling")
      name=on; [[ $spelling == 0 ]] && name=off
      echo "| $name | $run | $(field keys <<<"$out") | $(field latency_median_ms <<<"$out") |" \
        "$(field latency_p99_ms <<<"$out") | $(field latency_max_ms <<<"$out") |"
      rm -rf "${WORK:?}/config/"*
    done
  done
  echo "load at end: $(load_now)"
  exit 0
fi
echo "| recovery copy | run | keys | median ms | 99th percentile ms | worst ms | folder changes |"
echo "|---|---:|---:|---:|---:|---:|---:|"
for run in $(seq "$RUNS"); do
  for recovery in 1 0; do
    out=$(timeout 120 "$BUILD/bench/korvane-bench" typing "$MB" "$recovery" "$SECONDS_TYPED")
    name=kept; [[ $recovery == 0 ]] && name=none
    echo "| $name | $run | $(field keys <<<"$out") | $(field latency_median_ms <<<"$out") |" \
      "$(field latency_p99_ms <<<"$out") | $(field latency_max_ms <<<"$out") | $(field directory_changes <<<"$out") |"
    rm -rf "${WORK:?}/config/"*
  done
done
echo "load at end: $(load_now)"
