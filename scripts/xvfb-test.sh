#!/usr/bin/env bash
# Runs one test program under xvfb-run on a free X display; with --wm first,
# openbox manages that display, so the focus moves as it does on a desk.
# Tests run in parallel (and several build trees may share the machine), so
# the search for a free display starts at a random number to keep two runs
# from choosing the same one.
set -euo pipefail
export QT_QPA_PLATFORM=xcb
# Chromium's sandbox cannot start as root (containers, CI).
if [ "$(id -u)" -eq 0 ]; then export QTWEBENGINE_DISABLE_SANDBOX=1; fi
if [ "${1:-}" = "--wm" ]; then
  shift
  exec xvfb-run -a -n $((100 + RANDOM % 800)) -s "-screen 0 1280x1024x24" \
    bash "$(dirname "$0")/with-wm.sh" "$@"
fi
exec xvfb-run -a -n $((100 + RANDOM % 800)) -s "-screen 0 1280x1024x24" "$@"
