#!/usr/bin/env bash
# Time from Send() to the outcome when the server field names no port: one
# stand-in for 587, 465 or 25 answers, the other two are closed (refused at
# once), filtered (SYNs dropped, as a firewall does) or silent (connected,
# never greeting), with the real order of preference. A typed port to the
# same server is the baseline. The sends of a row come from one component,
# so the first chooses the port and the later ones go to the port kept.
# Prints a table and writes it to bench/PORTS.md.
#   bench/ports.sh            RUNS=5 sends per row (one for a 30 s time-out)
#   BUILD=build bench/ports.sh   reuse a configured tree (-DKORVANE_BENCH=ON)
set -euo pipefail
cd "$(dirname "$0")/.."
source bench/lib.sh

RUNS=${RUNS:-5}
BUILD=${BUILD:-build-bench}
if [[ ! -f $BUILD/CMakeCache.txt ]]; then
  cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKORVANE_BENCH=ON -DBUILD_TESTING=OFF >/dev/null
fi
cmake --build "$BUILD" -j2 --target korvane-bench >/dev/null
BENCH=$BUILD/bench/korvane-bench
start_smtp_work korvane-ports

# Servers on 25 offer STARTTLS too, as real ones do.
declare -A OPEN
smtp_server --starttls "${CERT[@]}" --auth "${USER_PASS[0]}:${USER_PASS[1]}" && OPEN[587]=$REPLY
smtp_server --implicit-tls "${CERT[@]}" --auth "${USER_PASS[0]}:${USER_PASS[1]}" && OPEN[465]=$REPLY
smtp_server --starttls "${CERT[@]}" --auth "${USER_PASS[0]}:${USER_PASS[1]}" && OPEN[25]=$REPLY
start_helper "$PY" bench/blackhole.py 2 && read -r -a FILTERED <<<"$REPLY"
SILENT=()
smtp_server --no-greeting && SILENT+=("$REPLY")
smtp_server --no-greeting && SILENT+=("$REPLY")
for p in "${OPEN[@]}" "${FILTERED[@]}" "${SILENT[@]}"; do [[ $p =~ ^[0-9]+$ ]] || { echo "a stand-in did not start" >&2; exit 1; }; done

# One row: which port answers, with or without credentials, what the other
# two do ("closed", "filtered", "silent" or "typed" for the baseline).
row() {
  local open=$1 creds=$2 others=$3 runs=$RUNS
  local -A port=()
  local p i=0 server=127.0.0.1 user=- out
  for p in 25 587 465; do
    if [[ $p == "$open" ]]; then port[$p]=${OPEN[$p]}
    elif [[ $others == filtered ]]; then port[$p]=${FILTERED[$i]}; i=$((i + 1))
    elif [[ $others == silent ]]; then port[$p]=${SILENT[$i]}; i=$((i + 1))
    else port[$p]=$(closed_port); fi
  done
  if [[ $others == typed ]]; then
    server=127.0.0.1:${OPEN[$open]}
    [[ $open == 465 ]] && server=smtps://$server
  fi
  [[ $creds == yes ]] && user=${USER_PASS[0]}
  # Without credentials 465 is not tried: filtered or silent 25 and 587 cost
  # the whole time-out, and nothing is kept.
  [[ $creds == no && $open == 465 && $others =~ filtered|silent ]] && runs=1
  out=$("$BENCH" ports "$server" "${port[25]}" "${port[587]}" "${port[465]}" "$CA" "$user" "${USER_PASS[1]}" "$runs" 2>/dev/null)
  local times
  times=$(grep -o 'ms=[0-9.]*' <<<"$out" | cut -d= -f2)
  echo "| $open | $creds | $others | $(head -1 <<<"$times")" \
    "| $( ((runs > 1)) && tail -n +2 <<<"$times" | median || echo -) " \
    "| $(grep -o 'number=[0-9]*' <<<"$out" | cut -d= -f2 | sort -u | paste -sd/) | $runs |"
}

{
  echo "# Port choice: time to the outcome"
  echo
  echo "$(date -u +%F), load $(load_now), $(nproc) cores. Loopback stand-ins for 25, 587 and 465;"
  echo "\"closed\": nothing listens (refused at once); \"filtered\": SYNs dropped (bench/blackhole.py);"
  echo "\"silent\": connected, never greets; \"typed\": the port typed, nothing else tried (baseline)."
  echo "First send: chooses the port; later sends: the median of the others, which go to the port"
  echo "kept (one connection each). Outcome 0 = sent."
  echo
  echo "| answering | credentials | other ports | first send ms | later sends median ms | outcome | runs |"
  echo "|---|---|---|---|---|---|---|"
  for creds in yes no; do
    for open in 587 465 25; do
      for others in typed closed filtered silent; do
        row "$open" "$creds" "$others"
      done
    done
  done
} | tee "$WORK/table.md"
# The section of bench/kept_port.sh stays as it is.
{
  cat "$WORK/table.md"
  if grep -q '^## A kept port that turns silent' bench/PORTS.md; then
    echo
    sed -n '/^## A kept port that turns silent/,$p' bench/PORTS.md
  fi
} >"$WORK/PORTS.md"
mv "$WORK/PORTS.md" bench/PORTS.md
