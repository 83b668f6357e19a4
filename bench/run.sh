#!/usr/bin/env bash
# Measures the mail component against the curl and swaks command-line tools
# on a local smtp-sink. Prints a table and writes it to bench/RESULTS.md
# (start-up has a script of its own, bench/startup.sh, whose section stays).
#   bench/run.sh            full run (about 12 minutes on 2 cores)
#   QUICK=1 bench/run.sh    fewer and smaller runs, to try the script
set -euo pipefail
cd "$(dirname "$0")/.."
source bench/lib.sh

if [[ ${QUICK:-0} == 1 ]]; then
  RUNS=3 SIZES_MB=(10 100) SMALL_SENDS=20
else
  RUNS=5 SIZES_MB=(10 100 500) SMALL_SENDS=200
fi
# swaks holds the whole message in memory many times over (about 23 bytes
# per attachment byte) and encodes in Perl: past this size it runs once.
SWAKS_FULL_MB=100
SENDER=bench@korvane.test RCPT=sink@korvane.test

ensure_tools
BUILD=build-bench
cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKORVANE_BENCH=ON -DBUILD_TESTING=OFF >/dev/null
cmake --build "$BUILD" -j"$(nproc)" --target korvane-bench >/dev/null
BENCH=$BUILD/bench/korvane-bench

start_work korvane-bench
mkdir -m 700 "$WORK/runtime" "$WORK/config"
export QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR=$WORK/runtime XDG_CONFIG_HOME=$WORK/config XDG_DATA_HOME=$WORK/data
LOAD_START=$(load_now)

start_sink 1800

component_send() { "$BENCH" send "$SERVER" "$@"; }
# With a second argument, the process's CPU time (user + system, ms) is
# appended to that file.
timed() {
  local cpu_file=$1; shift
  [[ -z $cpu_file ]] && { "$@"; return; }
  /usr/bin/time -f '%U %S' -o "$WORK/time.out" "$@"
  awk '{ printf "%.0f\n", ($1 + $2) * 1000 }' "$WORK/time.out" >>"$cpu_file"
}
curl_send() {
  timed "${2:-}" curl -sS -o /dev/null -w '%{time_total}\n' "smtp://$SERVER" --mail-from "$SENDER" --mail-rcpt "$RCPT" -T "$1" |
    awk '{ printf "%.3f\n", $1 * 1000 }'
}
swaks_send() {
  local t0; t0=$(now_us)
  swaks --server "$SERVER" --from "$SENDER" --to "$RCPT" --attach @"$1" --silent 2 >/dev/null
  echo $(( ($(now_us) - t0) / 1000 ))
}
base64_floor() {
  local t0; t0=$(now_us)
  timed "$2" base64 "$1" >/dev/null
  echo $(( ($(now_us) - t0) / 1000 ))
}

echo "== 1 KB baseline"
head -c 1024 /dev/urandom >"$WORK/a1k"
"$BENCH" dump "$WORK/a1k" "$WORK/m1k"
for _ in $(seq "$RUNS"); do
  out=$(component_send "$WORK/a1k")
  field maxrss_kib <<<"$out" >>"$WORK/rss1k"
  field cpu_ms <<<"$out" >>"$WORK/cpu1k"
done
RSS_BASE=$(median <"$WORK/rss1k") CPU_BASE=$(median <"$WORK/cpu1k")

declare -A ROW B64 SWAKS_RUNS USE GROWTH RATIO
for mb in "${SIZES_MB[@]}"; do
  echo "== ${mb} MB attachment"
  file=$WORK/a${mb}m msg=$WORK/m${mb}m
  head -c $((mb * 1000000)) /dev/urandom >"$file"
  "$BENCH" dump "$file" "$msg"
  swaks_runs=$RUNS
  ((mb > SWAKS_FULL_MB)) && swaks_runs=1
  ((mb > SWAKS_FULL_MB && $(mem_available_mib) < 16000)) && swaks_runs=0
  for run in $(seq "$RUNS"); do
    out=$(component_send "$file")
    field ms <<<"$out" >>"$WORK/comp$mb"
    field maxrss_kib <<<"$out" >>"$WORK/rss$mb"
    field cpu_ms <<<"$out" >>"$WORK/cpu$mb"
    field warmup_ms <<<"$out" >>"$WORK/warmup"
    echo "$(field longest_gap_ms <<<"$out") $(field longest_gap_end_ms <<<"$out") $(field ms <<<"$out")" \
      "$(field longest_gap_wait_ms <<<"$out") $(field longest_gap_run_ms <<<"$out")" \
      "$(field longest_gap_major_faults <<<"$out")" >>"$WORK/gaps$mb"
    field longest_gap_ms <<<"$out" >>"$WORK/gap$mb"
    # Control: the same meter with no send, as long as the send took.
    [[ $mb == "${SIZES_MB[-1]}" ]] && "$BENCH" idle "$(field ms <<<"$out" | cut -d. -f1)" | field longest_gap_ms >>"$WORK/idlegap"
    curl_send "$msg" "$WORK/curlcpu$mb" >>"$WORK/curl$mb"
    ((swaks_runs == RUNS)) && swaks_send "$file" >>"$WORK/swaks$mb"
    base64_floor "$file" "$WORK/b64cpu$mb" >>"$WORK/b64$mb"
    echo "   run $run: component $(tail -1 "$WORK/comp$mb") ms, curl $(tail -1 "$WORK/curl$mb") ms"
  done
  comp=$(median <"$WORK/comp$mb") curl=$(median <"$WORK/curl$mb")
  rss=$(median <"$WORK/rss$mb")
  growth=$(awk -v a="$rss" -v b="$RSS_BASE" 'BEGIN { printf "%.1f", (a - b) / 1024 }')
  ROW[$mb]="| ${mb} MB | $(stat -c %s "$msg") | $comp | $curl | $(ratio "$comp" "$curl")"
  B64[$mb]=$(median <"$WORK/b64$mb")
  SWAKS_RUNS[$mb]=$swaks_runs
  cpu=$(awk -v a="$(median <"$WORK/cpu$mb")" -v b="$CPU_BASE" 'BEGIN { printf "%.0f", a - b }')
  USE[$mb]="| ${mb} MB | $cpu | $(median <"$WORK/curlcpu$mb") | $(median <"$WORK/b64cpu$mb")"
  USE[$mb]+=" | $(awk -v a="$rss" 'BEGIN { printf "%.1f", a / 1024 }') | $growth |"
  GROWTH[$mb]=$growth RATIO[$mb]=$(ratio "$comp" "$curl")
  rm -f "$msg"
  # A single swaks run holds gigabytes; the memory it leaves behind slowed
  # whatever ran next on this virtual machine, so it waits for the end.
  ((swaks_runs == RUNS)) && rm -f "$file"
done

echo "== ${SMALL_SENDS} small sends"
component_send "$WORK/a1k" "$SMALL_SENDS" | sed -n 's/^send=[0-9]* ms=//p' >"$WORK/small_comp"
for _ in $(seq "$SMALL_SENDS"); do
  t0=$(now_us)
  curl_send "$WORK/m1k" >>"$WORK/small_curl"
  awk -v a="$t0" -v b="$(now_us)" 'BEGIN { printf "%.3f\n", (b - a) / 1000 }' >>"$WORK/small_curl_proc"
done

for mb in "${SIZES_MB[@]}"; do
  ((SWAKS_RUNS[$mb] == 1)) || continue
  echo "== swaks, ${mb} MB, once"
  swaks_send "$WORK/a${mb}m" >>"$WORK/swaks$mb"
  rm -f "$WORK/a${mb}m"
done

source bench/report.sh
