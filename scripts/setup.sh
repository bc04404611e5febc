#!/usr/bin/env bash
# Installs the build and test dependencies from Debian's packages; clang and
# its runtime libraries (libFuzzer among them) are for scripts/fuzz.sh;
# chromium, node and npm, and the npm packages pinned in tests/browser, are
# for the editor's browser test.
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
  libcpp-httplib-dev chromium
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

# node and npm may come from elsewhere than Debian; only their absence matters.
command -v node >/dev/null || missing+=(nodejs)
command -v npm >/dev/null || missing+=(npm)

if [ ${#missing[@]} -ne 0 ]; then
  echo "setup: installing ${missing[*]}"
  SUDO=""
  if [ "$(id -u)" != 0 ]; then SUDO=sudo; fi
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# The browser test's npm packages, exactly as locked; the browser is Debian's.
browser_tests="$(dirname "$0")/../tests/browser"
if ! cmp -s "$browser_tests/package-lock.json" "$browser_tests/node_modules/.package-lock.json.installed" 2>/dev/null; then
  (cd "$browser_tests" && PLAYWRIGHT_SKIP_BROWSER_DOWNLOAD=1 npm ci --no-audit --no-fund --silent)
  cp "$browser_tests/package-lock.json" "$browser_tests/node_modules/.package-lock.json.installed"
fi
