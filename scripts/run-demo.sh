#!/usr/bin/env bash
# Installs what is needed, builds, starts the demo chat service on 127.0.0.1
# and starts Ostrel signed in to it as the demo agent. Closing Ostrel (or
# Ctrl+C) stops the service too.
#
# Usage: scripts/run-demo.sh [--screenshot FILE] [--visitor-chat FILE]
#                            [--site-path FILE]
#   --screenshot FILE    once the agent is online, save a picture of the
#                        screen to FILE
#   --visitor-chat FILE  then accept the chat the demo visitor asks for,
#                        write to the visitor and save a picture of the chat
#                        once the visitor has answered
#   --site-path FILE     then show the visitor's Site Path tab and save it
# With any of them the demo stops after the pictures
# (scripts/demo-screenshot.sh runs this under Xvfb).
set -euo pipefail
cd "$(dirname "$0")/.."

SCREENSHOT="" CHAT_SHOT="" PATH_SHOT=""
while [ $# -gt 0 ]; do
  case $1 in
    --screenshot) SCREENSHOT=$(realpath -m "${2:?$1 needs a file name}") ;;
    --visitor-chat) CHAT_SHOT=$(realpath -m "${2:?$1 needs a file name}") ;;
    --site-path) PATH_SHOT=$(realpath -m "${2:?$1 needs a file name}") ;;
    *) echo "run-demo: unknown option $1" >&2; exit 2 ;;
  esac
  shift 2
done

bash scripts/install-deps.sh
BUILD_DIR=${BUILD_DIR:-build}
# Only what the demo runs; the tests and benchmarks are scripts/test.sh's.
# Ninja checks the sources itself: with nothing changed it builds nothing,
# and it configures again when a CMakeLists.txt changed.
if [ ! -f "$BUILD_DIR/build.ninja" ]; then
  cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$BUILD_DIR" --target demo -j"$(nproc)"

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

# Saves a picture of the main frame alone when it can be told apart, else
# of the whole screen.
save_picture() {
  mkdir -p "$(dirname "$1")"
  import -window "$(program_window frame || echo root)" "$1"
  echo "Screenshot saved to $1"
}
# What the demo visitor does, as the demo service logs it.
visitor_did() { wait_for_line "^demo: visitor v-102 $1\$" "$2" "$DEMO/service.log"; }
fail() {
  echo "run-demo: $1" >&2
  cat "$DEMO/service.log" >&2
  exit 1
}

if [ -n "$SCREENSHOT$CHAT_SHOT$PATH_SHOT" ]; then
  if ! wait_for_line "presence Online" 60 "$DEMO/ostrel.log"; then
    echo "run-demo: the demo agent did not get online:" >&2
    cat "$DEMO/ostrel.log" >&2
    exit 1
  fi
  # Lets the frame repaint the status bar before the picture is taken.
  sleep 1
  if [ -n "$SCREENSHOT" ]; then save_picture "$SCREENSHOT"; fi
fi

# The agent's part of the visitor chat, by mouse and keyboard, in the frame
# as it opens on a 1280x800 screen: Bob is the second visitor in the list.
if [ -n "$CHAT_SHOT$PATH_SHOT" ]; then
  visitor_did "asks for a chat" 90 || fail "the demo visitor did not ask for a chat"
  # Selecting the visitor first starts the web views, which may take longer
  # than a double-click.
  click_frame 320 67
  sleep 3
  for ((i = 0; i < 3; i++)); do
    click_frame 320 67 2
    if visitor_did "chat accepted" 5; then break; fi
  done
  visitor_did "chat accepted" 1 || fail "the visitor's chat was not accepted"
  visitor_did "wrote line 1" 20 || fail "the demo visitor did not write"
  # The chat's input, below the chat.
  click_frame 380 740
  xdotool type --delay 40 "Hello Bob, I am sorry to hear that. Let me look for your order."
  xdotool key Return
  visitor_did "heard the agent" 20 || fail "the agent's line did not reach the visitor's room"
  visitor_did "wrote line 2" 20 || fail "the demo visitor did not answer"
  sleep 2
  if [ -n "$CHAT_SHOT" ]; then save_picture "$CHAT_SHOT"; fi
  if [ -n "$PATH_SHOT" ]; then
    # Site Path is the fourth tab, scrolled out of sight: from Details, the
    # mouse wheel over the tabs steps to it.
    click_frame 793 237
    for ((i = 0; i < 3; i++)); do xdotool click 5; sleep 0.3; done
    sleep 2
    save_picture "$PATH_SHOT"
  fi
fi
if [ -n "$SCREENSHOT$CHAT_SHOT$PATH_SHOT" ]; then exit 0; fi

wait "$OSTREL_PID" || true
OSTREL_PID=""
