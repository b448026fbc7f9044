#!/usr/bin/env bash
# Installs what is needed, builds, starts the demo chat service on 127.0.0.1
# and starts Ostrel signed in to it as the demo agent. Closing Ostrel (or
# Ctrl+C) stops the service too.
#
# Usage: scripts/run-demo.sh [--screenshot FILE]
#   --screenshot FILE  once the agent is online, save a picture of the screen
#                      to FILE and stop (scripts/demo-screenshot.sh runs this
#                      under Xvfb).
set -euo pipefail
cd "$(dirname "$0")/.."

SCREENSHOT=""
if [ "${1:-}" = "--screenshot" ]; then
  SCREENSHOT=$(realpath -m "${2:?--screenshot needs a file name}")
fi

bash scripts/install-deps.sh
BUILD_DIR=${BUILD_DIR:-build}
cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$BUILD_DIR" -j"$(nproc)"

DEMO=$(mktemp -d /tmp/ostrel-demo.XXXXXX)
source scripts/demo-env.sh
trap stop_demo EXIT
trap 'exit 130' INT TERM

start_demo_service || exit 1
write_demo_config
echo "Demo chat service on $(demo_value address)"
echo "Demo agent: $(demo_value user), password $(demo_value password)"
start_demo_program

if [ -n "${DISPLAY:-}" ] && command -v xdotool >/dev/null 2>&1; then press_sign_in; fi
if ! online; then echo "Press Sign In in the login dialog."; fi

if [ -n "$SCREENSHOT" ]; then
  if ! wait_for_line "presence Online" 60 "$DEMO/ostrel.log"; then
    echo "run-demo: the demo agent did not get online:" >&2
    cat "$DEMO/ostrel.log" >&2
    exit 1
  fi
  # Lets the frame repaint the status bar before the picture is taken.
  sleep 1
  mkdir -p "$(dirname "$SCREENSHOT")"
  # The main frame alone when it can be told apart, else the whole screen.
  import -window "$(program_window frame || echo root)" "$SCREENSHOT"
  echo "Screenshot saved to $SCREENSHOT"
  exit 0
fi

wait "$OSTREL_PID" || true
OSTREL_PID=""
