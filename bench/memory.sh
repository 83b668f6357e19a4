#!/usr/bin/env bash
# Resident memory of the composer as a person leaves it, from outside the
# program (bench/memory.py): the main window up SETTLE_S (8) seconds after
# the about box, never typed in (at rest); after typing into Oggetto; after
# one send to the tests' loopback SMTP server. Beside it, the least a Qt
# Widgets program does to show a window of 20 line edits and a plain text
# edit (korvane-bench-minimal-fields) and an about box then a bare window
# (korvane-bench-minimal-qt). RUNS (5) starts each, a fresh settings folder
# each, holding a server, a sender, a recipient and a subject; the name
# server is asked nothing (KORVANE_CLIENT_NAMESERVER=none).
#   bench/memory.sh [BEFORE_BUILD] AFTER_BUILD     (or NAME=BUILD...)
# The last build also needs -DKORVANE_BENCH=ON (the two minimal programs).
# Writes the section "Memory at rest" of bench/RESULTS.md.
set -euo pipefail
cd "$(dirname "$0")/.."
source bench/lib.sh
(($# >= 1)) || { echo "usage: $0 [BEFORE_BUILD] AFTER_BUILD | NAME=BUILD..." >&2; exit 2; }
RUNS=${RUNS:-5}
SECTION="## Memory at rest, after typing and after a send"
declare -A PROGRAM
NAMES=() DEFAULT_NAMES=(after)
(($# == 2)) && DEFAULT_NAMES=(before after)
for arg; do
  name=${DEFAULT_NAMES[${#NAMES[@]}]:-build${#NAMES[@]}} build=$arg
  [[ $arg == *=* ]] && name=${arg%%=*} build=${arg#*=}
  PROGRAM[$name]=$build/app/korvane-client NAMES+=("$name")
done
FIELDS=$build/bench/korvane-bench-minimal-fields BOX=$build/bench/korvane-bench-minimal-qt
for p in "${PROGRAM[@]}" "$FIELDS" "$BOX"; do [[ -x $p ]] || { echo "missing: $p" >&2; exit 2; }; done

"$(dirname "${BASH_SOURCE[0]}")/../tools/ensure-packages.sh" xvfb
start_work korvane-memory
mkdir -m 700 "$WORK/runtime"
export XDG_RUNTIME_DIR=$WORK/runtime QT_QPA_PLATFORM=xcb KORVANE_CLIENT_NAMESERVER=none
LOAD_START=$(load_now)
for d in $(seq 90 99); do [[ -e /tmp/.X$d-lock ]] || break; done
timeout 3600 Xvfb ":$d" -nolisten tcp -screen 0 1280x1024x24 >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 100); do [[ -S /tmp/.X11-unix/X$d ]] && break; sleep 0.05; done
export DISPLAY=:$d
smtp_server
SMTP_OUT=$(ls -d "$WORK"/srv.*)

# One run of PROGRAM in MODE (memory.py) with fresh settings; its MiB appended
# to $WORK/NAME.MODE. A send must reach the server.
measure() {
  local name=$1 mode=$2 program=$3 out sent
  export XDG_CONFIG_HOME=$WORK/config.$name.$mode.$RANDOM
  mkdir -m 700 "$XDG_CONFIG_HOME"
  printf '[STMP]\nSERVER=127.0.0.1:%s\n[EMAIL]\nMITTENTE=bench@korvane.test\nDESTINATARIO=sink@korvane.test\nOGGETTO=Prova\n' \
    "$REPLY" >"$XDG_CONFIG_HOME/KORVANE_CLIENT_STMP.ini"
  sent=$(find "$SMTP_OUT" -name 'msg-*.json' | wc -l)
  out=$(timeout 60 bench/memory.py "$mode" "$program")
  if [[ $mode == *send ]] && (($(find "$SMTP_OUT" -name 'msg-*.json' | wc -l) == sent)); then
    echo "$name: the send did not reach the server" >&2
    exit 1
  fi
  field rss_kib <<<"$out" | awk '{ printf "%.1f\n", $1 / 1024 }' >>"$WORK/$name.${mode#about-}"
  echo "   $name $mode: $(tail -1 "$WORK/$name.${mode#about-}") MiB"
}

echo "== ${#NAMES[@]} builds and two minimal programs, $RUNS runs each"
for _ in $(seq "$RUNS"); do
  measure fields rest "$FIELDS"
  measure box about-rest "$BOX"
  for name in "${NAMES[@]}"; do
    for mode in rest typing send; do measure "$name" "about-$mode" "${PROGRAM[$name]}"; done
  done
done

m() { median <"$WORK/$1"; }
range() { sort -g "$WORK/$1" | awk 'NR == 1 { l = $1 } { h = $1 } END { printf "%s to %s", l, h }'; }
FIELDS_MIB=$(m fields.rest)
{
  echo "$SECTION"
  echo
  programs=()
  # shellcheck disable=SC2016 # the backquotes are Markdown's
  for n in "${NAMES[@]}"; do programs+=("$(printf '%s = `%s`' "$n" "${PROGRAM[$n]}")"); done
  joined=$(printf '%s, ' "${programs[@]}")
  echo "Written by \`bench/memory.sh\` on $(date -u '+%Y-%m-%d %H:%M UTC'): ${joined%, }."
  echo "Load average (1, 5, 15 min): $LOAD_START at the start, $(load_now) at the end; Xvfb (xcb), no window"
  echo "manager. VmRSS, MiB, median of $RUNS starts (least to most), each read ${SETTLE_S:-8} s after: the main"
  echo "window mapped (at rest, never typed in); Tab twice to Oggetto and \"ciao \" typed (after typing);"
  echo "Alt+I and the outcome box closed (after a send, to the tests' loopback server). A fresh settings"
  echo "folder each start, with a server, a sender, a recipient and a subject; no name server asked."
  echo "20 fields: \`korvane-bench-minimal-fields\`, a window of 20 \`QLineEdit\` and a \`QPlainTextEdit\`;"
  echo "about box: \`korvane-bench-minimal-qt\`, the about box then a bare window."
  echo
  echo "| program | at rest | / 20 fields | after typing | after a send |"
  echo "|---|---:|---:|---:|---:|"
  for n in "${NAMES[@]}"; do
    echo "| $n | $(m "$n.rest") ($(range "$n.rest")) | $(ratio "$(m "$n.rest")" "$FIELDS_MIB") |" \
      "$(m "$n.typing") ($(range "$n.typing")) | $(m "$n.send") ($(range "$n.send")) |"
  done
  echo "| 20 fields | $FIELDS_MIB ($(range fields.rest)) | 1.00 | | |"
  echo "| about box | $(m box.rest) ($(range box.rest)) | $(ratio "$(m box.rest)" "$FIELDS_MIB") | | |"
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
