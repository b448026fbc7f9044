# Sourced by the scripts that run the program against the demo chat service:
# starting the service, a configuration of the demo's own for the demo agent,
# and stopping both. Each script sets DEMO (a scratch folder) and BUILD_DIR.

SERVICE_PID=""
OSTREL_PID=""

# Waits up to $2 seconds for the extended regular expression $1 in file $3.
wait_for_line() {
  local pattern=$1 seconds=$2 file=$3 i
  for ((i = 0; i < seconds * 10; i++)); do
    if grep -Eq "$pattern" "$file" 2>/dev/null; then return 0; fi
    sleep 0.1
  done
  return 1
}

# Stops the program and the service, and removes the scratch folder.
stop_demo() {
  if [ -n "$OSTREL_PID" ]; then kill "$OSTREL_PID" 2>/dev/null || true; wait "$OSTREL_PID" 2>/dev/null || true; fi
  if [ -n "$SERVICE_PID" ]; then kill -INT "$SERVICE_PID" 2>/dev/null || true; wait "$SERVICE_PID" 2>/dev/null || true; fi
  rm -rf "$DEMO"
}

# One of the "name=value" lines the service printed.
demo_value() { sed -n "s/^$1=//p" "$DEMO/service.out" | head -n 1; }

# Starts the service with the given options and waits until it is ready.
start_demo_service() {
  "$BUILD_DIR/tools/ostrel-demo-service" "$@" >"$DEMO/service.out" 2>"$DEMO/service.log" &
  SERVICE_PID=$!
  if ! wait_for_line '^ready$' 60 "$DEMO/service.out"; then
    echo "the demo chat service did not start:" >&2
    cat "$DEMO/service.out" "$DEMO/service.log" >&2
    return 1
  fi
}

# The demo agent's settings, in a configuration folder of the demo's own, so
# the agent's real settings stay untouched. The login dialog opens filled in.
write_demo_config() {
  mkdir -p "$DEMO/config/Quelvar" "$DEMO/data"
  mkdir -m 700 "$DEMO/runtime"
  cat >"$DEMO/config/Quelvar/Quelvar.conf" <<EOF
[Values]
server.address=$(demo_value address)
server.username=$(demo_value user)
server.password=$(demo_value password)
server.cafile=$(demo_value cafile)
EOF
  chmod 600 "$DEMO/config/Quelvar/Quelvar.conf"
}

# Starts the program on the demo's configuration, its log in $DEMO/ostrel.log.
start_demo_program() {
  XDG_CONFIG_HOME="$DEMO/config" XDG_DATA_HOME="$DEMO/data" XDG_RUNTIME_DIR="$DEMO/runtime" \
    "$BUILD_DIR/bin/Ostrel" 2>"$DEMO/ostrel.log" &
  OSTREL_PID=$!
}

# True once the demo agent is online.
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

# Clicks (or double-clicks: a third argument 2) at x y inside the main frame.
click_frame() {
  local frame
  frame=$(program_window frame) || return 1
  xdotool mousemove --window "$frame" "$1" "$2" click --repeat "${3:-1}" --delay 100 1
}

# Presses Sign In in the login dialog, as the agent would, until the agent is
# online or the program ended. Needs an X display and xdotool.
press_sign_in() {
  local i id
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
}
