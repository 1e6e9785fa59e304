#!/usr/bin/env bash
# Builds what builds for Windows, with mingw-w64, 32-bit (build-win32) and 64-bit
# (build-win64): qvnhwm.dll with a check of its exports, the Windows halves of the
# monitor and the mail library, and the library's unit tests. The 64-bit tests run under
# wine when it is installed; 32-bit programs would need the i386 architecture.
set -euo pipefail
cd "$(dirname "$0")/.."

jobs=$(nproc)
for target in win32:i686 win64:x86_64; do
  dir=build-${target%%:*}
  cmake -S . -B "$dir" -G Ninja -DQORV_WERROR=ON -DQORV_WINDOWS_CROSS=ON \
    -DCMAKE_TOOLCHAIN_FILE="cmake/mingw-w64-${target#*:}.cmake"
  cmake --build "$dir" -j"$jobs"
  ctest --test-dir "$dir" --output-on-failure -j"$jobs"
done
