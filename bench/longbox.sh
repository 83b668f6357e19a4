#!/usr/bin/env bash
# What a key costs the window's thread in a one-line box at its limit's
# scale (20,000 items, 0.6 MB), against Qt's own line edit holding the same
# text: each box in the window with the address checks and the spelling on,
# and the same box made by the layout on a plain window, keys typed at the end
# of the text and in its middle. Needs hunspell-it for the subject's row.
#   bench/longbox.sh                RUNS=3 ITEMS=20000 KEYS=5 BOXES="server recipient attachments subject"
#   BUILD=build bench/longbox.sh    reuse a tree configured with -DKORVANE_BENCH=ON
set -euo pipefail
cd "$(dirname "$0")/.."
source bench/lib.sh

RUNS=${RUNS:-3} ITEMS=${ITEMS:-20000} KEYS=${KEYS:-5}
BOXES=${BOXES:-server recipient attachments subject}
BUILD=${BUILD:-build-bench}
if [[ $BUILD == build-bench ]]; then
  cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKORVANE_BENCH=ON -DBUILD_TESTING=OFF >/dev/null
fi
cmake --build "$BUILD" -j"$(nproc)" --target korvane-bench >/dev/null

start_work korvane-longbox
mkdir -m 700 "$WORK/runtime" "$WORK/config"
export QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR=$WORK/runtime XDG_CONFIG_HOME=$WORK/config
start_helper "$PY" tests/support/name_server.py
export KORVANE_CLIENT_NAMESERVER=127.0.0.1:$REPLY
echo "load at start: $(load_now)"
echo "| box | keys at | characters | run | Qt's line edit ms a key | the window's box ms a key | / Qt's | marks in view |"
echo "|---|---|---:|---:|---:|---:|---:|---:|"
for run in $(seq "$RUNS"); do
  for box in $BOXES; do
    for at in end middle; do
      bare=$(timeout 300 "$BUILD/bench/korvane-bench" longbox "bare-$box" "$ITEMS" "$KEYS" "$at")
      rm -rf "${WORK:?}/config/"*
      ours=$(timeout 300 "$BUILD/bench/korvane-bench" longbox "$box" "$ITEMS" "$KEYS" "$at")
      rm -rf "${WORK:?}/config/"*
      a=$(field cpu_ms_per_key <<<"$bare") b=$(field cpu_ms_per_key <<<"$ours")
      echo "| $box | $at | $(field characters <<<"$ours") | $run | $a | $b | $(ratio "$b" "$a") | $(field marks <<<"$ours") |"
    done
  done
done
echo "load at end: $(load_now)"
