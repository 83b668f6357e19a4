#!/usr/bin/env bash
# The whole test suite: set-up as tools/bootstrap.sh does, then every test on
# the normal build, the style gate (clang-format drift or any clang-tidy
# warning fails it), then every test again under AddressSanitizer+UBSan and
# under ThreadSanitizer (SANITIZERS=0 skips those two, STYLE=0 the gate).
set -euo pipefail
cd "$(dirname "$0")/.."

tools/bootstrap.sh
export QT_QPA_PLATFORM=offscreen
# No test may reach the machine's message bus, nor start one (the tests'
# own CMake sets these as well, for ctest run by hand).
export DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent/korvane-tests-no-bus
export DBUS_SYSTEM_BUS_ADDRESS=unix:path=/nonexistent/korvane-tests-no-bus
ctest --test-dir build --output-on-failure -j2

if [[ ${STYLE:-1} != 0 ]]; then
  echo "=== style ==="
  tools/check-style.sh build
fi

if [[ ${SANITIZERS:-1} != 0 ]]; then
  for preset in asan tsan; do
    echo "=== $preset ==="
    PRESET=$preset BUILD_DIR=build-$preset tools/bootstrap.sh
    ctest --preset "$preset"
  done
fi
