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
cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$BUILD_DIR" -j"$(nproc)"

DEMO=$(mktemp -d /tmp/ostrel-demo.XXXXXX)
SERVICE_PID=""
OSTREL_PID=""
cleanup() {
  if [ -n "$OSTREL_PID" ]; then kill "$OSTREL_PID" 2>/dev/null || true; wait "$OSTREL_PID" 2>/dev/null || true; fi
  if [ -n "$SERVICE_PID" ]; then kill -INT "$SERVICE_PID" 2>/dev/null || true; wait "$SERVICE_PID" 2>/dev/null || true; fi
  rm -rf "$DEMO"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# Waits up to $2 seconds for the extended regular expression $1 in file $3.
wait_for_line() {
  local pattern=$1 seconds=$2 file=$3 i
  for ((i = 0; i < seconds * 10; i++)); do
    if grep -Eq "$pattern" "$file" 2>/dev/null; then return 0; fi
    sleep 0.1
  done
  return 1
}

"$BUILD_DIR/tools/ostrel-demo-service" >"$DEMO/service.out" 2>"$DEMO/service.log" &
SERVICE_PID=$!
if ! wait_for_line '^ready$' 60 "$DEMO/service.out"; then
  echo "run-demo: the demo chat service did not start:" >&2
  cat "$DEMO/service.out" "$DEMO/service.log" >&2
  exit 1
fi
value() { sed -n "s/^$1=//p" "$DEMO/service.out" | head -n 1; }
ADDRESS=$(value address)
USER_NAME=$(value user)
PASSWORD=$(value password)
CAFILE=$(value cafile)

# The demo agent's settings, in a configuration folder of the demo's own, so
# the agent's real settings stay untouched. The login dialog opens filled in.
mkdir -p "$DEMO/config/Quelvar" "$DEMO/data"
mkdir -m 700 "$DEMO/runtime"
cat >"$DEMO/config/Quelvar/Quelvar.conf" <<EOF
[Values]
server.address=$ADDRESS
server.username=$USER_NAME
server.password=$PASSWORD
server.cafile=$CAFILE
EOF
chmod 600 "$DEMO/config/Quelvar/Quelvar.conf"

echo "Demo chat service on $ADDRESS"
echo "Demo agent: $USER_NAME, password $PASSWORD"

XDG_CONFIG_HOME="$DEMO/config" XDG_DATA_HOME="$DEMO/data" XDG_RUNTIME_DIR="$DEMO/runtime" \
  "$BUILD_DIR/bin/Ostrel" 2>"$DEMO/ostrel.log" &
OSTREL_PID=$!

# Presses Sign In in the login dialog, as the agent would, until the agent is
# online. Needs an X display; elsewhere the agent presses it.
online() { grep -q "presence Online" "$DEMO/ostrel.log" 2>/dev/null; }
# The program's windows are all called "Quelvar": the login dialog is the
# one as wide as its picture, the main frame the largest.
program_window() {
  local want=$1 id best="" area best_area=0 WIDTH HEIGHT
  for id in $(xdotool search --onlyvisible --name '^Quelvar$' 2>/dev/null); do
    eval "$(xdotool getwindowgeometry --shell "$id" 2>/dev/null | grep -E '^(WIDTH|HEIGHT)=')" || continue
    if [ "$want" = login ]; then
      if [ "${WIDTH:-0}" = 360 ]; then echo "$id"; return 0; fi
    else
      area=$((${WIDTH:-0} * ${HEIGHT:-0}))
      if [ "$area" -gt "$best_area" ]; then best=$id; best_area=$area; fi
    fi
  done
  [ -n "$best" ] && echo "$best"
}
if [ -n "${DISPLAY:-}" ] && command -v xdotool >/dev/null 2>&1; then
  for ((i = 0; i < 60; i++)); do
    if online || ! kill -0 "$OSTREL_PID" 2>/dev/null; then break; fi
    if id=$(program_window login); then
      xdotool windowactivate --sync "$id" 2>/dev/null || xdotool windowfocus --sync "$id" 2>/dev/null || true
      # Never types into another window, such as this terminal.
      if [ "$(xdotool getwindowfocus 2>/dev/null)" = "$id" ]; then
        xdotool key --clearmodifiers Return
        sleep 1
      else
        sleep 0.5
      fi
    else
      sleep 0.5
    fi
  done
fi
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
# Clicks (or double-clicks) at x y inside the main frame.
click_frame() {
  local frame
  frame=$(program_window frame) || return 1
  xdotool mousemove --window "$frame" "$1" "$2" click --repeat "${3:-1}" --delay 100 1
}
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
  click_frame 380 640
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
