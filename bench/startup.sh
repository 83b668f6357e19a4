#!/usr/bin/env bash
# Start-up as the program does it: launch to the about box on the screen, and
# the about box closed to the main window on the screen, both X MapNotify and
# UnmapNotify events under Xvfb (bench/launch_path.py). Each round runs every
# program once, in an order that turns from round to round, so that the
# machine's load falls on all alike: the shipped program of each build given
# and the minimal Qt program of the last build (the same kind of box, then a
# bare window). No network: the programs only start and close.
#   bench/startup.sh [BEFORE_BUILD] AFTER_BUILD       ROUNDS=40
#   bench/startup.sh NAME=BUILD...                   (any number, named)
# A build is a tree with app/korvane-client built; the last one also needs
# -DKORVANE_BENCH=ON and bench/korvane-bench-minimal-qt built. Writes the
# section "Start-up as the program does it" of bench/RESULTS.md.
set -euo pipefail
cd "$(dirname "$0")/.."
source bench/lib.sh
(($# >= 1)) || { echo "usage: $0 [BEFORE_BUILD] AFTER_BUILD | NAME=BUILD..." >&2; exit 2; }
ROUNDS=${ROUNDS:-40}
SECTION="## Start-up as the program does it"
declare -A PROGRAM
NAMES=() DEFAULT_NAMES=(after)
(($# == 2)) && DEFAULT_NAMES=(before after)
for arg; do
  name=${DEFAULT_NAMES[${#NAMES[@]}]:-build${#NAMES[@]}} build=$arg
  [[ $arg == *=* ]] && name=${arg%%=*} build=${arg#*=}
  PROGRAM[$name]=$build/app/korvane-client NAMES+=("$name")
done
PROGRAM[minimal]=$build/bench/korvane-bench-minimal-qt NAMES+=(minimal)
for name in "${NAMES[@]}"; do
  [[ -x ${PROGRAM[$name]} ]] || { echo "missing: ${PROGRAM[$name]}" >&2; exit 2; }
done

"$(dirname "${BASH_SOURCE[0]}")/../tools/ensure-packages.sh" xvfb
# Builds and tests elsewhere on the two cores weigh on every figure: a higher
# priority for all that runs from here (the X server included) keeps most of
# that out, and falls on every program alike. Root only; NICE=0 leaves it.
NICE=${NICE:--15}
[[ $(id -u) -eq 0 && $NICE != 0 ]] && renice -n "$NICE" -p $$ >/dev/null
start_work korvane-startup
mkdir -m 700 "$WORK/runtime" "$WORK/config"
export XDG_RUNTIME_DIR=$WORK/runtime XDG_CONFIG_HOME=$WORK/config XDG_DATA_HOME=$WORK/data QT_QPA_PLATFORM=xcb
LOAD_START=$(load_now)
for d in $(seq 90 99); do [[ -e /tmp/.X$d-lock ]] || break; done
timeout 3600 Xvfb ":$d" -nolisten tcp -screen 0 1280x1024x24 >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 100); do [[ -S /tmp/.X11-unix/X$d ]] && break; sleep 0.05; done
export DISPLAY=:$d

# One start of NAME; its figures appended to $WORK/NAME.{about_ms,closed_ms,key_ms}.
start() {
  local out key
  out=$(timeout 30 bench/launch_path.py "${PROGRAM[$1]}")
  for key in about_ms closed_ms key_ms; do field "$key" <<<"$out" >>"$WORK/$1.$key"; done
}
# "median (first quartile to third quartile; least)" of a file of numbers.
spread() {
  sort -g "$1" | awk '{ v[NR] = $1 } END {
    m = (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
    printf "%.1f (%.1f to %.1f; %.1f)", m, v[int(NR / 4) + 1], v[int(3 * NR / 4) + 1], v[1] }'
}
# The same for the round-by-round difference A - B of a figure.
paired() { paste "$WORK/$1.$3" "$WORK/$2.$3" | awk '{ printf "%.1f\n", $1 - $2 }' >"$WORK/diff"; spread "$WORK/diff"; }

echo "== ${#NAMES[@]} programs, $ROUNDS rounds"
for name in "${NAMES[@]}"; do start "$name"; done
rm -f "$WORK"/*.*_ms # warm-up only
for round in $(seq "$ROUNDS"); do
  for i in $(seq 0 $((${#NAMES[@]} - 1))); do
    start "${NAMES[$(((i + round) % ${#NAMES[@]}))]}"
  done
  echo "   round $round: about box $(for n in "${NAMES[@]}"; do printf '%s %s ms  ' "$n" "$(tail -1 "$WORK/$n.about_ms")"; done)"
done

m() { median <"$WORK/$1"; }
{
  echo "$SECTION"
  echo
  programs=()
  # shellcheck disable=SC2016 # the backquotes are Markdown's
  for n in "${NAMES[@]}"; do programs+=("$(printf '%s = `%s`' "$n" "${PROGRAM[$n]}")"); done
  joined=$(printf '%s, ' "${programs[@]}")
  echo "Written by \`bench/startup.sh\` on $(date -u '+%Y-%m-%d %H:%M UTC'): ${joined%, }."
  echo "$ROUNDS rounds, each running every program once (the order turning), after one warm-up"
  echo "round, at nice $(nice). Load average (1, 5, 15 min): $LOAD_START at the start, $(load_now) at the end;"
  echo "Xvfb, no window manager. Each figure: median (first quartile to third quartile; least), in ms, between X events"
  echo "read by \`bench/launch_path.py\` on its own connection: launch (just before the fork) to the"
  echo "about box mapped; the box unmapped (Return pressed 0.5 s after it was mapped) to the main"
  echo "window mapped; and Return pressed to the main window mapped."
  echo
  echo "| program | launch to about box | / minimal | box closed to main window | Return to main window |"
  echo "|---|---:|---:|---:|---:|"
  for n in "${NAMES[@]}"; do
    echo "| $n | $(spread "$WORK/$n.about_ms") | $(ratio "$(m "$n.about_ms")" "$(m minimal.about_ms)") |" \
      "$(spread "$WORK/$n.closed_ms") | $(spread "$WORK/$n.key_ms") |"
  done
  echo
  echo "Round by round differences, median (quartiles), ms:"
  echo
  echo "| pair | launch to about box | box closed to main window |"
  echo "|---|---:|---:|"
  for n in "${NAMES[@]:1}"; do
    [[ $n == minimal ]] || echo "| $n - ${NAMES[0]} | $(paired "$n" "${NAMES[0]}" about_ms) | $(paired "$n" "${NAMES[0]}" closed_ms) |"
  done
  for n in "${NAMES[@]}"; do
    [[ $n == minimal ]] || echo "| $n - minimal | $(paired "$n" minimal about_ms) | $(paired "$n" minimal closed_ms) |"
  done
} >"$WORK/section.md"

# RESULTS.md with this section replaced (or added before the compare section).
awk -v s="$SECTION" -v f="$WORK/section.md" '
  function put() { while ((getline l <f) > 0) print l; print ""; done = 1 }
  $0 == s { skip = 1; put(); next }
  skip && /^## / { skip = 0 }
  !done && /^## Before and after: / { put() }
  !skip { print }
  END { if (!done) { print ""; put() } }' bench/RESULTS.md >"$WORK/results.md"
cp "$WORK/results.md" bench/RESULTS.md
cat "$WORK/section.md"
