#!/bin/sh
# A shared library exports exactly the named functions and nothing else.
#   exports_only.sh LIBRARY NAME...
set -eu
lib=$1
shift
found=$(nm -D --defined-only "$lib" | awk '$2 ~ /^[TtWwDdBb]$/ {print $3}' | sort | tr '\n' ' ')
want=$(printf '%s\n' "$@" | sort | tr '\n' ' ')
if [ "$found" != "$want" ]; then
  echo "exports of $lib: $found"
  echo "expected:        $want"
  exit 1
fi
