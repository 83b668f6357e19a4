#!/usr/bin/env bash
# desktop-file-validate exits 0 on warnings and hints; a launcher that some
# desktops would skip or mis-file should still fail, so any output counts.
set -euo pipefail
desktop_file=$1
command -v desktop-file-validate >/dev/null ||
  { echo "desktop-file-validate not found (Debian package desktop-file-utils)"; exit 1; }
out=$(desktop-file-validate "$desktop_file" 2>&1) && status=0 || status=$?
if ((status != 0)) || [[ -n $out ]]; then
  echo "$out"
  echo "desktop-file-validate: $desktop_file is not clean (exit $status)"
  exit 1
fi
echo "desktop-file-validate: $desktop_file OK"
