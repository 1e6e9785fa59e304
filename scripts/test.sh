#!/usr/bin/env bash
# Builds everything and runs every test, once in the normal build and once under the
# address and undefined-behaviour sanitizers.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh

jobs=$(nproc)
run_suite() {
  local dir=$1; shift
  cmake -S . -B "$dir" -G Ninja "$@"
  cmake --build "$dir" -j"$jobs"
  ctest --test-dir "$dir" --output-on-failure -j"$jobs"
}

run_suite build
run_suite build-sanitize -DQORV_SANITIZE=ON -DQORV_BENCHMARKS=OFF
echo "All tests passed (normal and sanitizer builds)."
