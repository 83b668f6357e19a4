#!/usr/bin/env bash
# The whole test suite: set-up as tools/bootstrap.sh does, then every test on
# the normal build, then again under AddressSanitizer+UBSan and under
# ThreadSanitizer (SANITIZERS=0 skips those two).
set -euo pipefail
cd "$(dirname "$0")/.."

tools/bootstrap.sh
export QT_QPA_PLATFORM=offscreen
ctest --test-dir build --output-on-failure -j2

if [[ ${SANITIZERS:-1} != 0 ]]; then
  for preset in asan tsan; do
    echo "=== $preset ==="
    PRESET=$preset BUILD_DIR=build-$preset tools/bootstrap.sh
    ctest --preset "$preset"
  done
fi
