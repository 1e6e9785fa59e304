#!/usr/bin/env bash
# Builds everything and runs every test, once in the normal build and once under the
# address and undefined-behaviour sanitizers; builds the Debian package from the normal
# build and has lintian check it; builds the Windows parts with mingw-w64 and runs their
# tests under wine (scripts/cross-windows.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh test

jobs=$(nproc)
run_suite() {
  local dir=$1; shift
  cmake -S . -B "$dir" -G Ninja -DQORV_WERROR=ON "$@"
  cmake --build "$dir" -j"$jobs"
  ctest --test-dir "$dir" --output-on-failure -j"$jobs"
}

run_suite build
scripts/cross-windows.sh
# Every lintian finding is printed; an error fails the run.
rm -rf build/package
cpack -G DEB --config build/CPackConfig.cmake -B build/package
lintian --display-info --pedantic --fail-on error build/package/*.deb
run_suite build-sanitize -DQORV_SANITIZE=ON -DQORV_BENCHMARKS=OFF
echo "All tests passed (normal, Windows cross and sanitizer builds); lintian found no errors in the package."
