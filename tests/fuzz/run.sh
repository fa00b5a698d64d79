#!/usr/bin/env bash
# Builds the fuzz target with clang and runs it for SECONDS on a copy of the
# seed corpus. New inputs stay in build-fuzz/corpus; a crash is written to
# build-fuzz/ and fails the run.
set -euo pipefail
seconds=${1:?usage: tests/fuzz/run.sh SECONDS}
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$root/build-fuzz
CXX=clang++ cmake -S "$root" -B "$build" -DCAIRN_FUZZ=ON -DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j2 --target FuzzGame >/dev/null
mkdir -p "$build/corpus"
cd "$build" && ./FuzzGame -max_total_time="$seconds" -print_final_stats=1 -timeout=10 \
  corpus "$root/tests/fuzz/corpus/game" 2>&1 |
  grep -E '^(#[0-9]+ +DONE|stat::|==[0-9]+==ERROR|SUMMARY|INFO: Seed)'
exit "${PIPESTATUS[0]}"
