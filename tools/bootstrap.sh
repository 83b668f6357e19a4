#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need (only those that
# are missing), then configures and builds into build/ (or $BUILD_DIR).
# Safe to run again: with everything present it only runs an incremental build.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(
  cmake g++ ninja-build pkg-config
  qt6-base-dev libgl-dev libcurl4-openssl-dev fonts-liberation
  python3 python3-aiosmtpd openssl ca-certificates
  desktop-file-utils dpkg-dev
)
packages+=(${EXTRA_PACKAGES:-})

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  sudo_cmd=()
  [[ $(id -u) -eq 0 ]] || sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

build_dir=${BUILD_DIR:-build}
preset_args=()
[[ -n ${PRESET:-} ]] && preset_args=(--preset "$PRESET")
if [[ ! -f $build_dir/CMakeCache.txt ]]; then
  cmake -S . -B "$build_dir" -G Ninja "${preset_args[@]}"
fi
cmake --build "$build_dir" -j"$(nproc)"
