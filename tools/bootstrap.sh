#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need (only those that
# are missing), then configures and builds into build/ (or $BUILD_DIR).
# Safe to run again: with everything present it only runs an incremental build.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(
  cmake g++ ninja-build pkg-config
  qt6-base-dev libgl-dev libcurl4-openssl-dev libssl-dev libgmime-3.0-dev fonts-liberation
  python3 python3-aiosmtpd openssl ca-certificates
  qt6-translations-l10n
  libenchant-2-2 hunspell-it
  desktop-file-utils dpkg-dev lintian appstream clang-format clang-tidy
  xvfb xclip
)
packages+=(${EXTRA_PACKAGES:-})

tools/ensure-packages.sh "${packages[@]}"

build_dir=${BUILD_DIR:-build}
preset_args=()
[[ -n ${PRESET:-} ]] && preset_args=(--preset "$PRESET")
if [[ ! -f $build_dir/CMakeCache.txt ]]; then
  cmake -S . -B "$build_dir" -G Ninja "${preset_args[@]}"
fi
cmake --build "$build_dir" -j"$(nproc)"
