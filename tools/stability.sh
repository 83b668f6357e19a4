#!/usr/bin/env bash
# Stability check: every test of an already built tree, each repeated until it
# fails (20 times by default), two at a time, first on an idle machine and
# then with both cores kept busy by two `yes` loops.
#   tools/stability.sh [BUILD_DIR]   default build/
#   REPEAT=N                         repetitions per test (default 20)
#   LOAD=idle|busy|both              which runs (default both)
#   PRESET=asan|tsan                 a sanitizer preset's tree instead (REPEAT defaults to 3)
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${1:-build}
load=${LOAD:-both}
export QT_QPA_PLATFORM=offscreen

if [[ -n ${PRESET:-} ]]; then
  target=(--preset "$PRESET")
  repeat=${REPEAT:-3}
else
  target=(--test-dir "$build_dir")
  repeat=${REPEAT:-20}
fi

run() {
  echo "=== $1: ctest ${target[*]} --repeat until-fail:$repeat -j2 ($(uptime | sed 's/.*load/load/')) ==="
  ctest "${target[@]}" --repeat "until-fail:$repeat" -j2 --output-on-failure
}

if [[ $load == idle || $load == both ]]; then
  run idle
fi
if [[ $load == busy || $load == both ]]; then
  busy=()
  trap 'kill "${busy[@]}" 2>/dev/null || true' EXIT
  yes >/dev/null &
  busy+=($!)
  yes >/dev/null &
  busy+=($!)
  run "both cores busy"
fi
