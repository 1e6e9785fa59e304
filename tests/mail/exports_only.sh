#!/bin/sh
# The mail library exports its five functions and nothing else.
set -eu
lib=$1
found=$(nm -D --defined-only "$lib" | awk '$2 ~ /^[TtWwDdBb]$/ {print $3}' | sort | tr '\n' ' ')
want="MailInit MailRelease MailSend MailSetReceiver MailTextAddLine "
if [ "$found" != "$want" ]; then
  echo "exports of $lib: $found"
  echo "expected:        $want"
  exit 1
fi
