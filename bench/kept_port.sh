#!/usr/bin/env bash
# Time of a send to a port kept from an earlier choice when that port has
# since turned silent (takes the connection, never greets) or filtered (drops
# the SYNs, as a firewall does), for two builds side by side, with the
# default connect time-out (30 s). Each run is a fresh component and fresh
# stand-ins: the first send chooses the port (the stand-in turns once that
# message is in), the second goes to the port kept. For comparison, a first
# choice with that port already silent or filtered. The other usual port is
# closed. Writes the section "A kept port that turns silent" of bench/PORTS.md.
#   bench/kept_port.sh BEFORE_BENCH AFTER_BENCH     korvane-bench programs
#   RUNS=3 (runs per row)
set -euo pipefail
cd "$(dirname "$0")/.."
source bench/lib.sh

[[ $# -eq 2 && -x $1 && -x $2 ]] || { echo "usage: $0 BEFORE_BENCH AFTER_BENCH" >&2; exit 2; }
declare -A BENCH=([before]=$1 [after]=$2)
RUNS=${RUNS:-3}
start_smtp_work korvane-kept

# One run: BUILD, the port that turns (25 or 587), how (silent, filtered),
# and "turns" (the port goes bad after the first send) or "first" (bad from
# the start, one send). Prints the sends' "ms=... number=..." lines.
run() {
  local build=$1 port=$2 how=$3 when=$4 user=- count=1
  local -A at=([25]=$(closed_port) [587]=$(closed_port) [465]=$(closed_port))
  local good=587 options=()
  [[ $port == 587 ]] && { good=465; user=${USER_PASS[0]}; }
  [[ $good == 465 ]] && options=(--implicit-tls "${CERT[@]}") || options=(--starttls "${CERT[@]}")
  smtp_server "${options[@]}" --auth "${USER_PASS[0]}:${USER_PASS[1]}" && at[$good]=$REPLY
  if [[ $when == turns ]]; then
    smtp_server --starttls "${CERT[@]}" --auth "${USER_PASS[0]}:${USER_PASS[1]}" --turn-after-message "$how"
  elif [[ $how == silent ]]; then
    smtp_server --no-greeting
  else
    start_helper "$PY" bench/blackhole.py 1
  fi
  at[$port]=$REPLY
  [[ $when == turns ]] && count=2
  "${BENCH[$build]}" ports 127.0.0.1 "${at[25]}" "${at[587]}" "${at[465]}" "$CA" "$user" "${USER_PASS[1]}" \
    "$count" 2>/dev/null | tail -1
  stop_helpers
}

row() {
  local build=$1 port=$2 how=$3 line first=() later=() numbers=()
  for _ in $(seq "$RUNS"); do
    line=$(run "$build" "$port" "$how" first)
    first+=("$(field ms <<<"$line")") numbers+=("$(field number <<<"$line")")
    line=$(run "$build" "$port" "$how" turns)
    later+=("$(field ms <<<"$line")") numbers+=("$(field number <<<"$line")")
  done
  echo "| $build | $port | $how | $([[ $port == 587 ]] && echo yes || echo no)" \
    "| $(printf '%s\n' "${first[@]}" | median) | $(printf '%s\n' "${later[@]}" | median)" \
    "| $(printf '%s\n' "${later[@]}" | sort -g | head -1)–$(printf '%s\n' "${later[@]}" | maximum)" \
    "| $(printf '%s\n' "${numbers[@]}" | sort -u | paste -sd/) | $RUNS |"
}

section=$({
  echo "## A kept port that turns silent"
  echo
  echo "$(date -u +%F), load $(load_now), $(nproc) cores, connect time-out 30 s (the default), \`bench/kept_port.sh\`."
  echo "The port chosen by a first send turns silent (connected, never greets) or filtered (SYNs"
  echo "dropped); the next send goes to the port kept. \"First choice\": a fresh component with that"
  echo "port already silent or filtered, for comparison. The other usual port is closed; with"
  echo "credentials 587 turns and 465 takes over, without them 25 turns and 587 takes over. Medians"
  echo "in ms; outcome 0 = sent."
  echo
  echo "| build | port turns | how | credentials | first choice ms | kept port's send ms | range | outcome | runs |"
  echo "|---|---|---|---|---|---|---|---|---|"
  for build in before after; do
    for port in 587 25; do
      for how in silent filtered; do
        row "$build" "$port" "$how"
      done
    done
  done
})
echo "$section"
# The table of bench/ports.sh stays as it is.
{ sed '/^## A kept port that turns silent/,$d' bench/PORTS.md | sed '${/^$/d}'; echo; echo "$section"; } >"$WORK/PORTS.md"
mv "$WORK/PORTS.md" bench/PORTS.md
