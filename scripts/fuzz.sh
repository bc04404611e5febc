#!/usr/bin/env bash
# Builds the libFuzzer targets of the warp geometry text and of the tool's map
# importers with clang and runs each for a bounded time (KVOGC_FUZZ_SECONDS,
# default 15: under two minutes for all) on a scratch copy of
# its committed corpus, so that the corpus in the repository does not grow.
# Fails on the first crash, leak, sanitizer report or broken property; the
# input that caused it is left in build-fuzz/run/<target>/ as crash-*, leak-*,
# timeout-* or oom-*. Reproduce with: build-fuzz/bin/<target>_fuzz FILE
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
jobs=${KVOGC_JOBS:-2}
seconds=${KVOGC_FUZZ_SECONDS:-15}
targets=(geo_text geo_roundtrip geo_number pfm_reader mpcdi_reader bourke_reader)

echo "== libFuzzer targets (${seconds} s each)"
CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DKVOGC_BUILD_FUZZERS=ON -DKVOGC_BUILD_TESTS=OFF -DKVOGC_BUILD_BENCHMARKS=OFF >/dev/null
cmake --build build-fuzz -j"$jobs" --target "${targets[@]/%/_fuzz}"

for target in "${targets[@]}"; do
  run=build-fuzz/run/$target
  rm -rf "$run"
  mkdir -p "$run/corpus"
  cp tests/fuzz/corpus/"$target"/* "$run/corpus/"
  # The text keys help the text readers only; the round trip decodes raw bytes.
  dict=()
  case $target in geo_text | geo_number) dict=(-dict=tests/fuzz/geo_text.dict) ;; esac
  echo "-- $target"
  # New inputs go to the scratch corpus; findings to $run.
  "build-fuzz/bin/${target}_fuzz" -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=20 \
    "${dict[@]}" -print_final_stats=1 -artifact_prefix="$run/" "$run/corpus" 2>"$run/log" || {
    tail -n 60 "$run/log"
    echo "fuzz: $target failed; the input is in $run/" >&2
    exit 1
  }
  grep -E '^(#[0-9]+ +DONE|stat::number_of_executed_units)' "$run/log" || true
done
