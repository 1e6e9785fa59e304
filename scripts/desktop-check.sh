#!/usr/bin/env bash
# Drives the real Qorvmon on a virtual X display with a window manager and a
# notification-area host: the icon appears, closing the window only hides it, and a click
# on the icon brings it back. Then it takes a picture of every page (into
# build/screenshots/) and measures the window left running (into build/measurements.txt),
# the hidden minute ROUNDS times (default 1) for a median of the processor-time ratio.
#   scripts/desktop-check.sh [BOARD] [ROUNDS]
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh desktop
board=${1:-M4430}
cmake -S . -B build -G Ninja >/dev/null
cmake --build build -j"$(nproc)" --target Qorvmon qvnbdrv qorvmon-sensors take_screenshots measure_window

run=$(mktemp -d /tmp/qorvmon-desktop-XXXXXX)
pids=()
cleanup() { for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done; wait 2>/dev/null || true; rm -rf "$run"; }
trap cleanup EXIT

display=:$((90 + RANDOM % 9))
Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >"$run/xvfb.log" 2>&1 & pids+=($!)
export DISPLAY=$display
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
openbox >"$run/openbox.log" 2>&1 & pids+=($!)
trayer --edge top --align right --widthtype request --height 24 --SetDockType true >"$run/trayer.log" 2>&1 & pids+=($!)
sleep 1

# A program folder of its own: the application, its libraries, the board, a chosen board.
mkdir -p "$run/program"
cp build/bin/Qorvmon build/bin/qorvmon-sensors build/bin/libqvnhwm.so build/bin/libqvnmail.so \
   "build/bin/$board.txt" "build/bin/$board.jpg" "$run/program/"
"$run/program/qorvmon-sensors" --board "$board" --save-defaults >/dev/null
build/bin/qvnbdrv --simulate --board "$run/program/$board.txt" --socket "$run/qvnbdrv.sock" 2>"$run/qvnbdrv.log" & pids+=($!)
for _ in $(seq 50); do [ -S "$run/qvnbdrv.sock" ] && break; sleep 0.1; done

fail() { echo "FAILED: $*"; cat "$run/qorvmon.log"; exit 1; }
chmod 700 "$run"
caption="Qorvane System Monitor -$board"
start=$(date +%s%N)
QVNBDRV_SOCKET=$run/qvnbdrv.sock XDG_RUNTIME_DIR=$run "$run/program/Qorvmon" >"$run/qorvmon.log" 2>&1 & pids+=($!)
window=$(xdotool search --sync --onlyvisible --name "$caption" | head -1)
shown=$(( ($(date +%s%N) - start) / 1000000 ))
echo "window shown ${shown} ms after start"

# The icon: the window trayer embedded, named after the program.
icon=""
for _ in $(seq 30); do
  icon=$(xwininfo -root -tree | grep '"Qorvmon": ("Qorvmon"' | awk '{print $1}' | head -1) || true
  [ -n "$icon" ] && break
  sleep 0.2
done
[ -n "$icon" ] || fail "no notification-area icon under trayer"
echo "notification-area icon: window $icon"

wmctrl -c "$caption"
sleep 1
xdotool search --onlyvisible --name "$caption" >/dev/null && fail "closing did not hide the window"
kill -0 "${pids[-1]}" || fail "closing ended the program"
echo "closed: window hidden, program running"

eval "$(xwininfo -id "$icon" | awk '/Absolute upper-left X/ {print "x="$4} /Absolute upper-left Y/ {print "y="$4} /Width/ {print "w="$2} /Height/ {print "h="$2}')"
xdotool mousemove $((x + w / 2)) $((y + h / 2)) click 1
for _ in $(seq 30); do xdotool search --onlyvisible --name "$caption" >/dev/null && break; sleep 0.2; done
xdotool search --onlyvisible --name "$caption" >/dev/null || fail "a click on the icon did not bring the window back"
echo "icon clicked: window back"

mkdir -p build/screenshots
build/bin/take_screenshots build/screenshots "$board"
build/bin/measure_window "$board" 60 5 "${2:-1}" | tee build/measurements.txt
echo "desktop check passed"
