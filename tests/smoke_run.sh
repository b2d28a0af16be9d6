#!/usr/bin/env bash
# Starts the real program headless and expects it to be still running, with
# its window up, after a few seconds.
program="$1"
timeout -s TERM 4 "$program"
status=$?
if [ "$status" -eq 124 ]; then
  echo "sonabrix ran until stopped"
  exit 0
fi
echo "sonabrix ended by itself with status $status" >&2
exit 1
