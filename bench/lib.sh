# Helpers for bench/run.sh; sourced, not run.

now_us() { local t=${EPOCHREALTIME/./}; echo $((10#$t)); }

# Median of the numbers on stdin, one per line.
median() {
  sort -g | awk '{ v[NR] = $1 } END {
    if (NR == 0) { print "n/a"; exit }
    if (NR % 2) printf "%.1f\n", v[(NR + 1) / 2]; else printf "%.1f\n", (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}
maximum() { sort -g | tail -1; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.2f", a / b; else print "n/a" }'; }
verdict() { awk -v v="$1" -v lim="$2" 'BEGIN { print (v != "n/a" && v <= lim) ? "met" : "MISSED" }'; }
# The value of KEY=number (a whole word) in the last line that has it.
field() { grep -o "\(^\| \)$1=[0-9.]*" | tail -1 | cut -d= -f2; }

# Postfix is wanted only for its smtp-sink tool: no mail system is set up,
# and none is left running.
ensure_tools() {
  "$(dirname "${BASH_SOURCE[0]}")/../tools/ensure-packages.sh" postfix swaks curl time xvfb xauth
  local sudo_cmd=()
  [[ $(id -u) -eq 0 ]] || sudo_cmd=(sudo)
  if "${sudo_cmd[@]}" postfix status >/dev/null 2>&1; then "${sudo_cmd[@]}" postfix stop; fi
}

port_open() { (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null; }

free_port() {
  local p
  for p in $(seq 25250 25350); do port_open "$p" || { echo "$p"; return; }; done
  return 1
}

wait_port() {
  local i
  for i in $(seq 100); do port_open "$1" && return 0; sleep 0.05; done
  echo "nothing listens on port $1" >&2
  return 1
}

# smtp-sink on a free loopback port for at most $1 seconds (never as root),
# listed in pids; sets PORT and SERVER. Call after start_work.
start_sink() {
  local sink_user=()
  PORT=$(free_port)
  [[ $(id -u) -eq 0 ]] && sink_user=(-u nobody)
  timeout "$1" /usr/sbin/smtp-sink "${sink_user[@]}" "127.0.0.1:$PORT" 1000 >/dev/null 2>&1 &
  pids+=($!)
  wait_port "$PORT"
  SERVER=127.0.0.1:$PORT
}

# Starts a program in the background under a time limit; prints its pid.
start_bounded() {
  local seconds=$1; shift
  timeout "$seconds" "$@" >/dev/null 2>&1 &
  echo $!
}

mem_total_mib() { awk '/MemTotal/ { printf "%d", $2 / 1024 }' /proc/meminfo; }
mem_available_mib() { awk '/MemAvailable/ { printf "%d", $2 / 1024 }' /proc/meminfo; }
load_now() { cut -d' ' -f1-3 /proc/loadavg; }

# A scratch folder in WORK, and the background processes listed in pids,
# both gone when the script ends however it ends.
start_work() {
  WORK=$(mktemp -d "/tmp/$1.XXXXXX")
  pids=()
  trap cleanup EXIT
}
cleanup() {
  local p
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$WORK"
}

# The tests' SMTP servers for the port benches: a scratch folder (start_work),
# Qt's runtime folder, the tests' certificates (CA, CERT) and their login.
PY=/usr/bin/python3 SERVERS=tests/mail USER_PASS=(zoe Pw-9fQ2xLr7Tz!)
start_smtp_work() {
  start_work "$1"
  mkdir -m 700 "$WORK/runtime"
  export QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR=$WORK/runtime
  "$PY" "$SERVERS/testcerts.py" "$WORK/certs" >/dev/null
  CA=$WORK/certs/ca.pem CERT=("$WORK/certs/server.pem" "$WORK/certs/server.key")
}

# Runs a helper that prints its port(s) on one line and lives while its stdin
# is open (held in HOLDS until stop_helpers, or until the script ends);
# leaves that line in REPLY.
HELPERS=() HOLDS=()
start_helper() {
  local out=$WORK/helper.$RANDOM hold
  mkfifo "$out.in"
  timeout 3600 "$@" <"$out.in" >"$out" 2>/dev/null &
  pids+=($!) HELPERS+=($!)
  exec {hold}>"$out.in"
  HOLDS+=("$hold")
  for _ in $(seq 200); do [[ -s $out ]] && break; sleep 0.05; done
  REPLY=$(head -1 "$out")
}
stop_helpers() {
  local fd p
  for fd in "${HOLDS[@]}"; do exec {fd}>&-; done
  for p in "${HELPERS[@]}"; do kill "$p" 2>/dev/null || true; wait "$p" 2>/dev/null || true; done
  HELPERS=() HOLDS=()
}
smtp_server() { start_helper "$PY" "$SERVERS/smtp_server.py" --out "$(mktemp -d "$WORK/srv.XXXX")" "$@"; }
closed_port() { "$PY" -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'; }
