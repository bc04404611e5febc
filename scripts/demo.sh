#!/usr/bin/env bash
# Sets up, builds and runs the kvogc tool on its built-in default job. Only
# what the demo runs is built: the tool, the library and its sibling modules.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j"${KVOGC_JOBS:-2}" --target kvogc
build/bin/kvogc demo "$@"
