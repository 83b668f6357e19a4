#!/usr/bin/env bash
# check-metainfo.sh METAINFO_FILE
# appstreamcli exits 0 on infos too; software centres act on those (a missing
# content rating hides the program from some), so anything but the pedantic
# hints fails.
set -euo pipefail
metainfo=$1
command -v appstreamcli >/dev/null ||
  { echo "appstreamcli not found (Debian package appstream)"; exit 1; }
out=$(appstreamcli validate --no-net "$metainfo" 2>&1) && status=0 || status=$?
echo "$out"
if ((status != 0)) || grep -Eq '^[EWI]: ' <<<"$out"; then
  echo "appstreamcli: $metainfo is not clean (exit $status)"
  exit 1
fi
