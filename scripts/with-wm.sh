#!/usr/bin/env bash
# Runs a program on $DISPLAY once openbox manages the screen, and stops that
# openbox afterwards.
set -uo pipefail
openbox --sm-disable >/dev/null 2>&1 &
wm=$!
# A window manager that manages the screen names its check window on the root.
for _ in $(seq 1 100); do
  if xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; then
    break
  fi
  if ! kill -0 "$wm" 2>/dev/null; then
    echo "openbox did not start" >&2
    exit 1
  fi
  sleep 0.1
done
if ! xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; then
  echo "openbox does not manage the screen" >&2
  kill "$wm" 2>/dev/null
  exit 1
fi
"$@"
rc=$?
kill "$wm" 2>/dev/null
wait "$wm" 2>/dev/null
exit $rc
