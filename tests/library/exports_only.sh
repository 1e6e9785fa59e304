#!/bin/sh
# The shared library exports its seven functions and nothing else.
set -eu
lib=$1
found=$(nm -D --defined-only "$lib" | awk '$2 ~ /^[TtWwDdBb]$/ {print $3}' | sort | tr '\n' ' ')
want="GetFanDuty GetSensorValue InitDLL ReleaseDLL SetCurrentHwm SetFanPWM SetFanPWM2 "
if [ "$found" != "$want" ]; then
  echo "exports of $lib: $found"
  echo "expected:        $want"
  exit 1
fi
