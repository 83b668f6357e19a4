#!/usr/bin/env bash
# build-deb.sh CPACK BUILD_DIR OUT_DIR
# Builds the .deb into a directory of its own, so that the contents test sees
# exactly one package and a `cpack` run by hand in the build directory is not
# disturbed.
set -euo pipefail
cpack=$1 build_dir=$2 out_dir=$3
rm -rf "$out_dir"
mkdir -p "$out_dir"
"$cpack" -G DEB --config "$build_dir/CPackConfig.cmake" -B "$out_dir"
