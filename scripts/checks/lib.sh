# Shared by the checks in this folder: the real program against the demo
# service, driven through its control file (tools/ostrel-demo-service
# --control), by mouse and keys. Source after setting OUT (results).
set -uo pipefail
WT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
BUILD_DIR=${BUILD_DIR:-$WT/build}
DEMO=$(mktemp -d /tmp/ostrel-check.XXXXXX)
source "$WT/scripts/demo-env.sh"
mkdir -p "$OUT"
CONTROL=$DEMO/control
: >"$CONTROL"
# One line for the demo service's control file; returns once it is done.
ctl() {
  local line i
  line="^demo: control (not done: )?$(printf '%s' "$*" | sed 's/[][\.*^$/?+(){}|]/\\&/g')\$"
  echo "$*" >>"$CONTROL"
  # A short step: some lines must land between the two clicks of a double-click.
  for ((i = 0; i < 500; i++)); do
    grep -Eq "$line" "$DEMO/service.log" && return 0
    sleep 0.02
  done
  echo "ctl timeout: $*" >&2
}
svc() { wait_for_line "$1" "${2:-20}" "$DEMO/service.log"; }
prog() { wait_for_line "$1" "${2:-20}" "$DEMO/ostrel.log"; }
shot() { sleep "${2:-0.5}"; import -window "$(frame || echo root)" "$OUT/$1.png" 2>/dev/null; echo "shot $OUT/$1.png"; }
shotroot() { sleep "${2:-0.5}"; import -window root "$OUT/$1.png" 2>/dev/null; echo "shot $OUT/$1.png"; }
frame() { program_window frame; }
finish() { cp "$DEMO/service.log" "$OUT/service.log"; cp "$DEMO/ostrel.log" "$OUT/ostrel.log"; stop_demo; }
trap finish EXIT
begin() {
  start_demo_service --control "$CONTROL" "$@" || exit 1
  write_demo_config
  if [ -n "${EXTRA_CONF:-}" ]; then printf '%s\n' "$EXTRA_CONF" >>"$DEMO/config/Quelvar/Quelvar.conf"; fi
  start_demo_program
  sleep 2
  press_sign_in
  online || { echo "not online" >&2; exit 1; }
  svc "signed in" 20
  sleep 2
  # Where the scripts click in the frame as it opens on a 1600x1000 screen:
  # the visitor rows, their names' column and the chat's input.
  ROW1=50 ROW2=67 X=324 INPUT_X=500 INPUT_Y=740
  f=$(frame)
  xdotool windowactivate --sync "$f" 2>/dev/null || xdotool windowfocus --sync "$f"
}
# Hana Sato (v-1) and Ivan Petrov (v-2) come and ask for a chat: the first
# and second rows.
two_callers() {
  ctl arrive v-1 Hana Sato; ctl arrive v-2 Ivan Petrov
  ctl ask v-1; ctl ask v-2
  sleep 2
}
# Frame-relative click; $3=2 double.
fclick() { click_frame "$@"; }
# Frame origin, for clicks at absolute positions.
frame_geom() { xdotool getwindowgeometry --shell "$(frame)"; }
# Visible program windows other than the frame: "id WxH+X+Y name" lines.
other_windows() {
  local fr id; fr=$(frame)
  for id in $(xdotool search --onlyvisible --name '.' 2>/dev/null); do
    [ "$id" = "$fr" ] && continue
    local pid; pid=$(xdotool getwindowpid "$id" 2>/dev/null) || continue
    [ "$pid" = "$OSTREL_PID" ] || continue
    eval "$(xdotool getwindowgeometry --shell "$id")"
    echo "$id ${WIDTH}x${HEIGHT}+${X}+${Y} $(xdotool getwindowname "$id")"
  done
}
# Presses the button under the box's default: activates it and types Return.
answer_box() { local id=$1; xdotool windowactivate --sync "$id" 2>/dev/null || xdotool windowfocus --sync "$id"; sleep 0.3; xdotool key Return; }
