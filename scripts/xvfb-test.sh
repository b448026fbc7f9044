#!/usr/bin/env bash
# Runs one Qt WebEngine test program under xvfb-run on a free X display.
# Tests run in parallel (and several build trees may share the machine), so
# the search for a free display starts at a random number to keep two runs
# from choosing the same one.
set -euo pipefail
export QT_QPA_PLATFORM=xcb
# Chromium's sandbox cannot start as root (containers, CI).
if [ "$(id -u)" -eq 0 ]; then export QTWEBENGINE_DISABLE_SANDBOX=1; fi
exec xvfb-run -a -n $((100 + RANDOM % 800)) -s "-screen 0 1280x1024x24" "$@"
