#!/usr/bin/env bash
# The send through the window, two builds side by side in one run, each pair
# interleaved so that the machine's load falls on both alike. (Start-up, as
# the program does it: bench/startup.sh BEFORE_BUILD AFTER_BUILD.)
#   bench/compare.sh BEFORE_BUILD AFTER_BUILD
# Each build is a tree configured with -DKORVANE_BENCH=ON and its korvane-bench
# built. Writes the section "Before and after" at the end of bench/RESULTS.md
# (run.sh keeps it when it rewrites the rest).
#   SENDS=5 window sends a build, SIZE_MIB=100
set -euo pipefail
cd "$(dirname "$0")/.."
source bench/lib.sh
(($# == 2)) || { echo "usage: $0 BEFORE_BUILD AFTER_BUILD" >&2; exit 2; }
BEFORE=$1/bench/korvane-bench AFTER=$2/bench/korvane-bench
SENDS=${SENDS:-5} SIZE_MIB=${SIZE_MIB:-100}
SECTION="## Before and after: the send through the window"

ensure_tools
start_work korvane-compare
mkdir -m 700 "$WORK/runtime" "$WORK/config"
export XDG_RUNTIME_DIR=$WORK/runtime XDG_CONFIG_HOME=$WORK/config XDG_DATA_HOME=$WORK/data
LOAD_START=$(load_now)

for d in $(seq 90 99); do [[ -e /tmp/.X$d-lock ]] || break; done
timeout 3600 Xvfb ":$d" -nolisten tcp -screen 0 1280x1024x24 >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 100); do [[ -S /tmp/.X11-unix/X$d ]] && break; sleep 0.05; done
export DISPLAY=:$d QT_QPA_PLATFORM=xcb

start_sink 3600

echo "== the send through the window, ${SIZE_MIB} MiB, $SENDS rounds"
head -c $((SIZE_MIB * 1048576)) /dev/urandom >"$WORK/attachment"
"$AFTER" dump "$WORK/attachment" "$WORK/message"
window_send() {
  local name=$1 program=$2 key=$3 out
  out=$(bench/window_path.py "$key" "$program" window "$SERVER" "$WORK/attachment")
  grep -q 'box=EMail_inviata' <<<"$out" || { echo "$name: no success box: $out" >&2; return 1; }
  for k in key_to_box_ms window_cpu_ms to_last_progress_cpu_ms progress_events pie_paints; do
    field "$k" <<<"$out" >>"$WORK/$name.$k"
  done
  echo "   $name: $(field key_to_box_ms <<<"$out") ms, window thread $(field window_cpu_ms <<<"$out") ms CPU" \
    "($(field to_last_progress_cpu_ms <<<"$out") to the last progress report)"
}
for _ in $(seq "$SENDS"); do
  window_send before-alt "$BEFORE" alt+i
  window_send after-alt "$AFTER" alt+i
  window_send before-ctrl "$BEFORE" ctrl+return
  window_send after-ctrl "$AFTER" ctrl+return
  curl -sS -o /dev/null -w '%{time_total}\n' "smtp://$SERVER" --mail-from bench@korvane.test \
    --mail-rcpt sink@korvane.test -T "$WORK/message" | awk '{ printf "%.1f\n", $1 * 1000 }' >>"$WORK/curl"
  echo "   curl: $(tail -1 "$WORK/curl") ms"
done

m() { median <"$WORK/$1"; }
CURL=$(m curl)
{
  echo "$SECTION"
  echo
  echo "Written by \`bench/compare.sh\` on $(date -u '+%Y-%m-%d %H:%M UTC'): before = \`$1\`, after = \`$2\`."
  echo "Load average (1, 5, 15 min): $LOAD_START at the start, $(load_now) at the end; Xvfb (xcb"
  echo "platform); each round runs the programs one after the other, so load falls on each pair alike."
  echo
  echo "### A ${SIZE_MIB} MiB attachment sent through the window (median of $SENDS)"
  echo
  echo "From the key, pressed through the X server (XTEST), to the X server mapping the outcome box"
  echo "(\`bench/window_path.py\`); the window is on screen and idle for 0.5 s before the key. curl: its"
  echo "\`time_total\` for the same message bytes, pre-built (the window also encodes the attachment, and"
  echo "its first send sets up libcurl and OpenSSL). Window thread CPU: its own clock"
  echo "(\`CLOCK_THREAD_CPUTIME_ID\`) from the key press to the box, and to the last progress report"
  echo "(the send as the window follows it, without building the outcome box); progress reports and"
  echo "pie repaints counted on that thread over the same span."
  echo
  echo "| build, key | key to box ms | / curl | window thread CPU ms, to the box | to the last progress report | progress reports | pie repaints |"
  echo "|---|---:|---:|---:|---:|---:|---:|"
  for name in before-alt after-alt before-ctrl after-ctrl; do
    label=${name/-alt/, Alt+I}; label=${label/-ctrl/, Ctrl+Return}
    echo "| $label | $(m $name.key_to_box_ms) | $(ratio "$(m $name.key_to_box_ms)" "$CURL") | $(m $name.window_cpu_ms) |" \
      "$(m $name.to_last_progress_cpu_ms) | $(m $name.progress_events) | $(m $name.pie_paints) |"
  done
  echo "| curl CLI | $CURL | 1.00 | | | | |"
  echo
  echo "The span from the last progress report to the box is the outcome box being built and shown,"
  echo "about the same in both builds; the send itself, as the window follows it, is the column before."
} >"$WORK/section.md"

# Everything of RESULTS.md before this section, then the new section.
awk -v s="$SECTION" '$0 == s { exit } { print }' bench/RESULTS.md >"$WORK/results.md"
cat "$WORK/section.md" >>"$WORK/results.md"
cp "$WORK/results.md" bench/RESULTS.md
cat "$WORK/section.md"
