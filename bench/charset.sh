#!/usr/bin/env bash
# What judging a text attachment's charset on all its bytes costs, next to
# the send it is part of: a 100 MB text file (Italian rows, UTF-8 accents
# throughout, so that every piece is decoded) is judged alone, then sent as
# .txt (judged, then read again to send) and, through a hard link named
# .bin, as a file whose type needs no reading (the same bytes, sent once).
# Page cache warm (the file was just written). Prints a table and writes it
# to bench/CHARSET.md.
#   bench/charset.sh              RUNS=5, SIZE_MB=100
#   BUILD=build bench/charset.sh  reuse a configured tree (-DKORVANE_BENCH=ON)
set -euo pipefail
cd "$(dirname "$0")/.."
source bench/lib.sh

RUNS=${RUNS:-5} SIZE_MB=${SIZE_MB:-100}
BUILD=${BUILD:-build-bench}
ensure_tools
if [[ ! -f $BUILD/CMakeCache.txt ]]; then
  cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKORVANE_BENCH=ON -DBUILD_TESTING=OFF >/dev/null
fi
cmake --build "$BUILD" -j2 --target korvane-bench >/dev/null
BENCH=$BUILD/bench/korvane-bench

start_work korvane-charset
mkdir -m 700 "$WORK/runtime"
export QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR=$WORK/runtime
start_sink 1800

/usr/bin/python3 - "$WORK/testo.txt" "$SIZE_MB" <<'PY'
import sys
row = "Niccolò Perché,Città di Castello,€ 12,già pagato,più tardi\n".encode()
with open(sys.argv[1], "wb") as f:
    f.write(row * (int(sys.argv[2]) * 1_000_000 // len(row)))
PY
ln "$WORK/testo.txt" "$WORK/testo.bin"
chmod a+r "$WORK"/testo.*

for _ in $(seq "$RUNS"); do
  "$BENCH" charset "$WORK/testo.txt" | tee -a "$WORK/judge.out" | field charset_ms >>"$WORK/judge"
  "$BENCH" send "127.0.0.1:$PORT" "$WORK/testo.txt" | field ms >>"$WORK/send_txt"
  "$BENCH" send "127.0.0.1:$PORT" "$WORK/testo.bin" | field ms >>"$WORK/send_bin"
done
type=$(grep -o 'type=.*' "$WORK/judge.out" | tail -1 | cut -d= -f2-)
judge=$(median <"$WORK/judge") txt=$(median <"$WORK/send_txt") bin=$(median <"$WORK/send_bin")
{
  echo "# Charset of a whole text file: cost next to the send"
  echo
  echo "$(date -u '+%Y-%m-%d %H:%M UTC'), $(nproc) cores, load at start $(load_now), $RUNS runs each, medians."
  echo "A ${SIZE_MB} MB UTF-8 text file, sent to a local smtp-sink; the page cache holds the file."
  echo
  echo "| what | ms |"
  echo "|---|---|"
  echo "| judging the charset alone (all bytes read once; $type) | $judge |"
  echo "| send as .txt (judged, then read again for the message) | $txt |"
  echo "| send of the same bytes as .bin (no judging) | $bin |"
  echo "| judging as a share of the .txt send | $(awk -v a="$judge" -v b="$txt" 'BEGIN { printf "%.0f %%", 100 * a / b }') |"
} | tee bench/CHARSET.md
