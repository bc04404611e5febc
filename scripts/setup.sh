#!/usr/bin/env bash
# Installs the build and test dependencies from Debian's packages; clang and
# its runtime libraries (libFuzzer among them) are for scripts/fuzz.sh.
# Safe to run twice; returns quickly when everything is already there.
set -euo pipefail

packages=(
  cmake g++ make pkg-config
  libopencv-core-dev libopencv-calib3d-dev
  libopencv-imgproc-dev libopencv-imgcodecs-dev
  libcli11-dev nlohmann-json3-dev
  libzip-dev libpugixml-dev unzip libxml2-utils
  libgtest-dev libbenchmark-dev libhwy-dev
  clang libclang-rt-14-dev
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "setup: installing ${missing[*]}"
SUDO=""
if [ "$(id -u)" != 0 ]; then SUDO=sudo; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
