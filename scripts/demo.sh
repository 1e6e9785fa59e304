#!/usr/bin/env bash
# Builds the project, starts the driver service on an emulated board (M4430 unless a
# board is named) on a private socket, and reads every sensor of that board through the
# hardware library with qorvmon-sensors. Extra arguments go to qorvmon-sensors, e.g.
#   scripts/demo.sh M4730 --watch 5
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
board=${1:-M4430}
shift || true

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target qvnbdrv qvnhwm qorvmon-sensors boards

run=$(mktemp -d /tmp/qorvmon-demo-XXXXXX)
socket=$run/qvnbdrv.sock
build/bin/qvnbdrv --simulate --board "build/bin/$board.txt" --socket "$socket" --mode 0600 \
  2>"$run/qvnbdrv.log" &
service=$!
trap 'kill $service 2>/dev/null; wait $service 2>/dev/null; rm -rf "$run"' EXIT
for _ in $(seq 50); do [ -S "$socket" ] && break; sleep 0.1; done

echo "Board $board, emulated by qvnbdrv on $socket:"
QVNBDRV_SOCKET=$socket build/bin/qorvmon-sensors --board "$board" "$@"
