#!/usr/bin/env bash
# Builds the project and shows the hardware library at work: its test suite reads and
# drives emulated Winbond, PC87366 and processor sensors through the driver protocol.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake -S . -B build
cmake --build build -j"$(nproc)"
build/bin/library_tests --gtest_brief=0
