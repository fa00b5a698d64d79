#!/usr/bin/env bash
# Builds both fuzz targets with clang and runs each for SECONDS on a copy of
# the seed corpus. New inputs stay in build-fuzz/corpus; crashes are written
# to build-fuzz/ and fail the run.
set -euo pipefail
seconds=${1:?usage: tests/fuzz/run.sh SECONDS}
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$root/build-fuzz

CXX=clang++ cmake -S "$root" -B "$build" -DCAIRN_FUZZ=ON -DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j2 --target FuzzLevel FuzzKeys >/dev/null

run() {
  local target=$1 seeds=$2
  mkdir -p "$build/corpus/$seeds"
  echo "== $target, $seconds s"
  (cd "$build" && "./tests/fuzz/$target" -max_total_time="$seconds" -print_final_stats=1 \
    -timeout=10 "corpus/$seeds" "$root/tests/fuzz/corpus/$seeds" 2>&1 |
    grep -E '^(#[0-9]+ +DONE|stat::|Done|==[0-9]+==ERROR|SUMMARY|INFO: Seed)' || true)
  [ "${PIPESTATUS[0]}" -eq 0 ]
}
run FuzzLevel level
run FuzzKeys keys
