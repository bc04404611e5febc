#!/usr/bin/env bash
# Sets up, builds and runs the whole test suite: a plain Release build, the C
# example host built against the installed package and against the build
# tree, a smoke run of the benchmarks, the editor end to end in headless
# Chromium, AddressSanitizer +
# UndefinedBehaviorSanitizer over the suite, a short libFuzzer run over the
# warp geometry text, and last ThreadSanitizer over the tests that run a
# second thread.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
jobs=${KVOGC_JOBS:-2}

echo "== Release build"
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DKVOGC_BUILD_TESTS=ON -DKVOGC_BUILD_BENCHMARKS=ON >/dev/null
cmake --build build -j"$jobs"
ctest --test-dir build --output-on-failure

echo "== Installed package: the C example host, with CMake and with pkg-config, and from the build tree"
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
cmake --install build --prefix "$stage/prefix" >/dev/null
cmake -S examples/c-host -B "$stage/c-host" -DCMAKE_PREFIX_PATH="$stage/prefix" >/dev/null
cmake --build "$stage/c-host" >/dev/null
"$stage/c-host/c_host"
pcdir=$(dirname "$(find "$stage/prefix" -name kvogridcalc.pc)")
libdir=$(PKG_CONFIG_PATH="$pcdir" pkg-config --variable=libdir kvogridcalc)
# shellcheck disable=SC2046  # pkg-config's flags are meant to split
cc -std=c99 -Wall -Wextra -pedantic -Werror examples/c-host/main.c \
  $(PKG_CONFIG_PATH="$pcdir" pkg-config --cflags --libs kvogridcalc) -Wl,-rpath,"$libdir" \
  -o "$stage/c_host_pc"
"$stage/c_host_pc"
# The build tree is a package as well.
cmake -S examples/c-host -B "$stage/c-host-tree" -DKVOGridCalc_DIR="$PWD/build" >/dev/null
cmake --build "$stage/c-host-tree" >/dev/null
"$stage/c-host-tree/c_host"
"$stage/prefix/bin/kvogc" demo --out "$stage/demo" >/dev/null
echo "installed package: ok"

echo "== Benchmarks (smoke run: each case runs, figures are not checked here)"
build/lib/kvogc_bench --benchmark_min_time=0.01 >/dev/null
build/lib/kvogc_api_bench --benchmark_min_time=0.01 >/dev/null
build/lib/kvogc_warpmap_bench --benchmark_min_time=0.01 >/dev/null
build/lib/kvogc_edit_bench --benchmark_filter='/20/' >/dev/null
echo "benchmarks: ok"

echo "== The editor in headless Chromium"
node tests/browser/raster.test.mjs
PLAYWRIGHT_SKIP_BROWSER_DOWNLOAD=1 node tests/browser/editor.test.mjs "$PWD/build/bin/kvogc" \
  "${KVOGC_EDITOR_SCREENSHOT:-$PWD/build/kvogc-edit.png}"

echo "== AddressSanitizer + UndefinedBehaviorSanitizer"
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DKVOGC_SANITIZE=address,undefined \
  -DKVOGC_BUILD_BENCHMARKS=OFF >/dev/null
cmake --build build-asan -j"$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build-asan --output-on-failure

bash scripts/fuzz.sh

echo "== ThreadSanitizer (threaded tests)"
cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=Debug -DKVOGC_SANITIZE=thread \
  -DKVOGC_BUILD_BENCHMARKS=OFF >/dev/null
cmake --build build-tsan -j"$jobs" --target kvogc_thread_tests kvogc_warpmap_tests
TSAN_OPTIONS=halt_on_error=1 ctest --test-dir build-tsan -L thread --output-on-failure
