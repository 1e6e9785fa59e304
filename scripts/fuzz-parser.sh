#!/usr/bin/env bash
# Fuzzes the hardware description parser with libFuzzer under the address and
# undefined-behaviour sanitizers. Argument: seconds to run (default 300).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
seconds=${1:-300}
cmake -S . -B build-fuzz -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang \
  -DQORV_FUZZ=ON -DQORV_SANITIZE=ON -DQORV_TESTS=OFF -DQORV_BENCHMARKS=OFF \
  -DCMAKE_CXX_FLAGS="-fsanitize=fuzzer-no-link"
cmake --build build-fuzz --target description_parser_fuzz -j"$(nproc)"
mkdir -p fuzz-corpus
cp -n fuzz/corpus/* fuzz-corpus/
build-fuzz/bin/description_parser_fuzz -max_total_time="$seconds" -max_len=65536 fuzz-corpus
