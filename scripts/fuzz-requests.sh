#!/usr/bin/env bash
# Fuzzes the driver service's request decoder and access policy with libFuzzer under the
# address and undefined-behaviour sanitizers: request streams of four clients onto a bus
# that aborts on anything the board description does not allow. Argument: seconds to run
# (default 600). QORV_FUZZ_BUILD names the build folder (default build-fuzz).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
seconds=${1:-600}
build=${QORV_FUZZ_BUILD:-build-fuzz}
cmake -S . -B "$build" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang \
  -DQORV_FUZZ=ON -DQORV_SANITIZE=ON -DQORV_TESTS=OFF -DQORV_BENCHMARKS=OFF \
  -DCMAKE_CXX_FLAGS="-fsanitize=fuzzer-no-link"
cmake --build "$build" --target request_stream_fuzz -j"$(nproc)"
corpus="$build/corpus-requests"
mkdir -p "$corpus"
cp -n fuzz/corpus-requests/* "$corpus"/
"$build"/bin/request_stream_fuzz -max_total_time="$seconds" -max_len=4096 -print_final_stats=1 "$corpus"
