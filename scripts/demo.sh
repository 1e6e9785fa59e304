#!/usr/bin/env bash
# Builds the project, starts the driver service on an emulated board (M4430 unless a
# board is named) on a private socket, and opens the Qorvmon window on it. It builds in
# build-demo/, without the test suites, so it needs none of the test tools. The program
# folder is build-demo/demo/, which holds the application, its libraries, the board files
# and the settings file it writes. Without a display the board is read once on the
# command line instead, and pictures of every page are saved to build-demo/screenshots/.
#   scripts/demo.sh [BOARD]
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh demo
board=${1:-M4430}

build=build-demo
cmake -S . -B "$build" -G Ninja -DQORV_TESTS=OFF -DQORV_BENCHMARKS=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" --target Qorvmon qvnbdrv qvnhwm qvnmail qorvmon-sensors take_screenshots boards

demo=$build/demo
mkdir -p "$demo"
cp "$build"/bin/Qorvmon "$build"/bin/qorvmon-sensors "$build"/bin/libqvnhwm.so "$build"/bin/libqvnmail.so \
   "$build"/bin/*.txt "$build"/bin/*.jpg "$demo/"
# The demo starts on the named board, with that board's default settings unless it was
# the board of an earlier run.
if [ ! -f "$demo/QHwmset" ] || [ "$(sed -n 2p "$demo/QHwmset" | tr -d '\r')" != "$board" ]; then
  "$demo/qorvmon-sensors" --board "$board" --save-defaults >/dev/null
fi

run=$(mktemp -d /tmp/qorvmon-demo-XXXXXX)
socket=$run/qvnbdrv.sock
"$build"/bin/qvnbdrv --simulate --board "$demo/$board.txt" --socket "$socket" --mode 0600 2>"$run/qvnbdrv.log" &
service=$!
trap 'kill $service 2>/dev/null; wait $service 2>/dev/null; rm -rf "$run"' EXIT
for _ in $(seq 50); do [ -S "$socket" ] && break; sleep 0.1; done
export QVNBDRV_SOCKET=$socket

echo "Board $board, emulated by qvnbdrv on $socket:"
status=0
"$demo/qorvmon-sensors" --board "$board" || status=$?
# Status 1 only says that a sensor failed to read or read outside its thresholds, which the
# window shows too; 2 and 3 (a bad setup, nothing read) end the demo here.
[ "$status" -le 1 ] || exit "$status"
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  echo "Opening the window; it lives in the notification area: use Exit to end it."
  "$demo/Qorvmon"
else
  QT_QPA_PLATFORM=offscreen "$build"/bin/take_screenshots "$build"/screenshots "$board" >/dev/null
  echo "No display here: pictures of every page are in $build/screenshots/."
fi
