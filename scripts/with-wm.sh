#!/usr/bin/env bash
# Runs a program on $DISPLAY once openbox manages the screen, and stops that
# openbox afterwards.
set -uo pipefail
# A loaded machine may hand the display over before it takes connections
# (openbox then says it cannot open it and quits): wait for the display, and
# try openbox again if it quits all the same.
for _ in $(seq 1 100); do
  xprop -root >/dev/null 2>&1 && break
  sleep 0.1
done
managed() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; }
wm=""
for attempt in 1 2 3; do
  log=$(mktemp)
  openbox --sm-disable >"$log" 2>&1 &
  wm=$!
  # A window manager that manages the screen names its check window on the root.
  for _ in $(seq 1 100); do
    managed && break
    kill -0 "$wm" 2>/dev/null || break
    sleep 0.1
  done
  if managed; then
    rm -f "$log"
    break
  fi
  echo "openbox did not start (attempt $attempt): $(cat "$log")" >&2
  rm -f "$log"
  kill "$wm" 2>/dev/null
  wait "$wm" 2>/dev/null
  wm=""
  sleep 0.5
done
if [ -z "$wm" ]; then
  echo "openbox does not manage the screen" >&2
  exit 1
fi
"$@"
rc=$?
kill "$wm" 2>/dev/null
wait "$wm" 2>/dev/null
exit $rc
