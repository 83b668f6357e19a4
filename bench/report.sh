# The table of bench/run.sh, printed and written to bench/RESULTS.md; sourced
# by run.sh once every figure is in $WORK.

LAST_MB=${SIZES_MB[-1]}
GAP_MEDIAN=$(median <"$WORK/gap$LAST_MB")
GAP_WORST=$(maximum <"$WORK/gap$LAST_MB")
SMALL_COMP=$(median <"$WORK/small_comp")
SMALL_CURL=$(median <"$WORK/small_curl")
WORST_RATIO=$(printf '%s\n' "${RATIO[@]}" | maximum)
WORST_GROWTH=$(printf '%s\n' "${GROWTH[@]}" | maximum)

{
  echo "# Benchmark results"
  echo
  echo "Written by \`bench/run.sh\`$([[ ${QUICK:-0} == 1 ]] && echo " (QUICK=1: fewer, smaller runs)") on $(date -u '+%Y-%m-%d %H:%M UTC')."
  echo
  echo "- Machine: $(nproc) cores ($(sed -n 's/^model name\s*: //p' /proc/cpuinfo | head -1)), $(mem_total_mib) MiB memory"
  echo "- Load average (1, 5, 15 min): $LOAD_START at the start, $(load_now) at the end"
  echo "- Sink: smtp-sink on $SERVER; curl $(curl --version | head -1 | cut -d' ' -f2); $(swaks --version 2>/dev/null | head -1)"
  echo "- Times are medians of $RUNS runs in milliseconds, send start to the server's reply to the end of"
  echo "  data. The component's time runs from Send() to SendCompleted and includes building the message;"
  echo "  curl's is its own \`time_total\` for the pre-built message (same bytes), without process start;"
  echo "  swaks and base64 are whole-process wall times."
  echo "- Each component process first sends one untimed message with a tiny attachment: a process's"
  echo "  first send also sets up libcurl and OpenSSL and loads the MIME database, which curl's"
  echo "  \`time_total\` leaves out of its own figure. That first send took $(median <"$WORK/warmup") ms (median), paid once per run of the program."
  echo
  echo "## Large attachment"
  echo
  echo "| attachment | message bytes | component ms | curl CLI ms | component / curl | swaks ms | base64 floor ms |"
  echo "|---|---:|---:|---:|---:|---:|---:|"
  for mb in "${SIZES_MB[@]}"; do
    swaks="n/a (needs 16 GiB free)"
    [[ -s $WORK/swaks$mb ]] && swaks="$(median <"$WORK/swaks$mb")"
    ((SWAKS_RUNS[$mb] == 1)) && swaks+=" (1 run, at the end)"
    echo "${ROW[$mb]} | $swaks | ${B64[$mb]} |"
  done
  echo
  echo "CPU time (user + system) and memory of the same runs, medians. The component's CPU is its"
  echo "process's less a 1 KB send's ($(printf '%.0f' "$CPU_BASE") ms, mostly start-up); curl's and base64's are whole processes."
  echo
  echo "| attachment | component CPU ms | curl CLI CPU ms | base64 CPU ms | component peak RSS MiB | growth over 1 KB send MiB |"
  echo "|---|---:|---:|---:|---:|---:|"
  for mb in "${SIZES_MB[@]}"; do echo "${USE[$mb]}"; done
  echo
  echo "Peak RSS of the 1 KB send: $(awk -v a="$RSS_BASE" 'BEGIN { printf "%.1f", a / 1024 }') MiB."
  echo
  echo "## ${SMALL_SENDS} small messages, one after another, a new connection each"
  echo
  echo "| client | median ms per send |"
  echo "|---|---:|"
  echo "| component (one process) | $SMALL_COMP |"
  echo "| curl CLI, transfer (\`time_total\`) | $SMALL_CURL |"
  echo "| curl CLI, whole process | $(median <"$WORK/small_curl_proc") |"
  echo
  echo "## Responsiveness during the ${LAST_MB} MB send"
  echo
  echo "Longest interval between ticks of a 5 ms timer on the GUI thread: median $GAP_MEDIAN ms, worst $GAP_WORST ms."
  echo "Control, the same timer in a process that sends nothing, for as long as each send took:"
  echo "median $(median <"$WORK/idlegap") ms, worst $(maximum <"$WORK/idlegap") ms."
  echo
  echo "Of each longest gap, the GUI thread's own account (\`/proc/thread-self/schedstat\`): time"
  echo "runnable but waiting for a core, and time running; the rest it was asleep or blocked, for"
  echo "instance on page faults that had to read from disk (counted in the last column)."
  echo
  echo "| run | longest gap ms | it ended at ms | send took ms | waiting for a core ms | running ms | disk page faults |"
  echo "|---:|---:|---:|---:|---:|---:|---:|"
  awk '{ printf "| %d | %s | %s | %s | %s | %s | %s |\n", NR, $1, $2, $3, $4, $5, $6 }' "$WORK/gaps$LAST_MB"
  echo
  echo "## Targets"
  echo
  echo "| target | figure | verdict |"
  echo "|---|---:|---|"
  echo "| time within 1.2x of curl's (worst size) | ${WORST_RATIO}x | $(verdict "$WORST_RATIO" 1.2) |"
  echo "| peak memory growth at most 32 MiB (worst size) | $WORST_GROWTH MiB | $(verdict "$WORST_GROWTH" 32) |"
  echo "| GUI stall at most 50 ms (worst run) | $GAP_WORST ms | $(verdict "$GAP_WORST" 50) |"
} >"$WORK/results.md"

# The sections bench/startup.sh and bench/compare.sh wrote stay at the end.
awk '/^## (Start-up as the program does it|Before and after: )/ { keep = 1 } keep { print }' \
  bench/RESULTS.md >"$WORK/compared.md"
if [[ -s $WORK/compared.md ]]; then
  echo >>"$WORK/results.md"
  cat "$WORK/compared.md" >>"$WORK/results.md"
fi
cp "$WORK/results.md" bench/RESULTS.md
echo
cat bench/RESULTS.md
