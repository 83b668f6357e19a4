#!/usr/bin/env bash
# check-lintian.sh DEB_DIR
# Debian's own checker on the one .deb in DEB_DIR: no error and no warning.
# An override is accepted only with the reason written on the line above it.
set -euo pipefail
deb_dir=$1
command -v lintian >/dev/null || { echo "lintian not found (Debian package lintian)"; exit 1; }

shopt -s nullglob
debs=("$deb_dir"/*.deb)
((${#debs[@]} == 1)) || { echo "FAIL: expected one .deb in $deb_dir, found ${#debs[@]}"; exit 1; }
deb=${debs[0]}

fail=0
# Lintian warns on stderr about running as root; only its findings matter.
out=$(lintian --fail-on error,warning "$deb" 2>/dev/null) || fail=1
[[ -n $out ]] && echo "$out"
grep -Eq '^[EW]: ' <<<"$out" && fail=1

overrides=$(dpkg-deb --fsys-tarfile "$deb" |
  tar -xO --wildcards './usr/share/lintian/overrides/*' 2>/dev/null || true)
if [[ -n $overrides ]]; then
  unexplained=$(awk '!/^[[:space:]]*(#|$)/ && prev !~ /^[[:space:]]*#/ { print } { prev = $0 }' <<<"$overrides")
  if [[ -n $unexplained ]]; then
    echo "FAIL: lintian overrides without a reason on the line above:"
    echo "$unexplained"
    fail=1
  fi
fi

((fail == 0)) && echo "lintian: $(basename "$deb") has no error and no warning"
exit "$fail"
