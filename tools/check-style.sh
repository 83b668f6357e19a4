#!/usr/bin/env bash
# Fails on format drift (clang-format, .clang-format) or on any clang-tidy
# warning (.clang-tidy) in the project's own C++ files, or on another folder's
# header included by its bare name (tools/check-includes.py).
#   tools/check-style.sh [BUILD_DIR]     BUILD_DIR: a built build directory with
#                                        compile_commands.json (default build/)
#   FIX=1 tools/check-style.sh           rewrite the files with clang-format instead
# clang-tidy checks the files that BUILD_DIR compiles, with its flags, and then
# fuzz/ and bench/ through a clang configuration of their own in
# BUILD_DIR/style-extra (configured only, never built).
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${1:-build}
jobs=${JOBS:-2}

for tool in clang-format clang-tidy; do
  command -v "$tool" >/dev/null || { echo "check-style: $tool not found (Debian packages clang-format, clang-tidy)"; exit 1; }
done
[[ -f $build_dir/compile_commands.json ]] ||
  { echo "check-style: no $build_dir/compile_commands.json; configure the build first"; exit 1; }

mapfile -t sources < <(git ls-files '*.cpp' '*.h')

status=0
if [[ ${FIX:-0} == 1 ]]; then
  clang-format -i "${sources[@]}"
else
  drifted=0
  for f in "${sources[@]}"; do
    # A diff shows what to change, which clang-format's own report does not.
    if ! clang-format --style=file "$f" | diff -u --label "$f" --label "$f (formatted)" "$f" -; then
      drifted=$((drifted + 1))
    fi
  done
  if ((drifted)); then
    echo "check-style: $drifted of ${#sources[@]} files drift from .clang-format; FIX=1 tools/check-style.sh rewrites them"
    status=1
  fi
fi

if ! tools/check-includes.py; then
  echo "check-style: include another folder's header by its path from the root"
  status=1
fi

# Translation units of a build directory, minus what moc and rcc generate and
# what an earlier directory already gave; headers are checked through them
# (HeaderFilterRegex in .clang-tidy).
declare -A checked
units_of() {
  python3 - "$1/compile_commands.json" "$PWD" <<'PY'
import json, os, sys
root = os.path.realpath(sys.argv[2])
seen = set()
for entry in json.load(open(sys.argv[1])):
    path = os.path.realpath(os.path.join(entry["directory"], entry["file"]))
    if path.startswith(root + os.sep) and "_autogen" not in path and path not in seen:
        seen.add(path)
        print(path)
PY
}

log=$(mktemp)
trap 'rm -f "$log" "$log.unique"' EXIT
tidy() {
  local dir=$1 unit units=()
  while read -r unit; do
    [[ -n ${checked[$unit]:-} ]] && continue
    checked[$unit]=1
    units+=("$unit")
  done < <(units_of "$dir")
  ((${#units[@]})) || return 0
  # clang-tidy exits 0 on warnings unless told they are errors.
  printf '%s\n' "${units[@]}" | xargs -P "$jobs" -n 4 clang-tidy -p "$dir" --quiet --warnings-as-errors='*' >>"$log" 2>&1
}

tidy_failed=0
tidy "$build_dir" || tidy_failed=1
# The fuzz targets need clang (libFuzzer); clang-tidy's own package brings it.
extra=$build_dir/style-extra
clangxx=$(command -v clang++ || command -v clang++-14 || true)
if [[ -z $clangxx ]]; then
  echo "check-style: clang++ not found (Debian package clang-14): fuzz/ and bench/ not checked"
  status=1
elif ! CXX=$clangxx cmake -S . -B "$extra" -G Ninja -DKORVANE_FUZZ=ON -DKORVANE_BENCH=ON -DBUILD_TESTING=OFF \
    >"$log.cmake" 2>&1; then
  cat "$log.cmake"
  status=1
else
  tidy "$extra" || tidy_failed=1
fi
rm -f "$log.cmake"
if ((tidy_failed)); then
  # A header's warnings repeat once per unit that includes it.
  grep -E '^/.*: (warning|error): ' "$log" | sed 's/,-warnings-as-errors\]$/]/' | sort -u >"$log.unique"
  cat "$log.unique"
  echo "check-style: $(wc -l <"$log.unique") clang-tidy warnings; by check:"
  grep -oE '\[[a-z0-9.-]+\]$' "$log.unique" | sort | uniq -c | sort -rn
  status=1
fi
exit "$status"
