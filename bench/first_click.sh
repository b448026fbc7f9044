#!/usr/bin/env bash
# The first click on a visitor until its Details are painted on the screen,
# in RUNS fresh starts of the program signed in to the demo chat service
# (with a crowd of VISITORS); medians at the end. Two ways to the first click:
# "warm", the agent leaves mouse and keyboard alone for a few seconds after
# the visitors are listed (the program starts the web engine meanwhile), and
# "busy", a key is pressed all the time until the click, so the engine
# starts with the click. The resident memory
# of the program (and of it with its web engine processes) just before the
# click shows what the engine costs before the first view. Runs under its
# own Xvfb; the pixels are read from the X screen (bench_first_paint).
#
# Usage: bench/first_click.sh [runs (5)] [visitors (1000)]
#   Environment: BUILD_DIR (build). Needs xvfb-run and xdotool.
set -euo pipefail
cd "$(dirname "$0")/.."

RUNS=${1:-5}
VISITORS=${2:-1000}
BUILD_DIR=${BUILD_DIR:-build}

if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"
fi

DEMO=""
source scripts/demo-env.sh
trap 'stop_demo' EXIT
trap 'exit 130' INT TERM

family() {
  local child
  echo "$1"
  for child in $(pgrep -P "$1" || true); do family "$child"; done
}
rss_mb() {
  local pid
  for pid in "$@"; do cat "/proc/$pid/status" 2>/dev/null; done | awk '/^VmRSS:/ { kb += $2 } END { printf "%.0f", kb / 1024 }'
}
median() { sort -n | awk '{ v[NR] = $1 } END { if (NR == 0) print "-"; else if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# Positions in the frame as it opens: the first visitor row, and a part of
# the Details view (x y width height).
ROW=(320 49)
DETAILS=(300 270 400 200)

one_run() {
  local mode=$1 jiggle="" before details X Y
  DEMO=$(mktemp -d /tmp/ostrel-click.XXXXXX)
  start_demo_service --visitors "$VISITORS" || return 1
  write_demo_config
  start_demo_program
  press_sign_in
  online || { echo "first_click: the program did not sign in" >&2; cat "$DEMO/ostrel.log" >&2; return 1; }
  if [ "$mode" = busy ]; then
    # A key press resets the X server's idle time; moving the pointer may not.
    (while :; do xdotool key shift; sleep 0.3; done) &
    jiggle=$!
  fi
  sleep 15
  [ -n "$jiggle" ] && { kill "$jiggle"; wait "$jiggle" 2>/dev/null || true; }
  # shellcheck disable=SC2046
  before="$(rss_mb "$OSTREL_PID") $(rss_mb $(family "$OSTREL_PID"))"
  eval "$(xdotool getwindowgeometry --shell "$(program_window frame)" | grep -E '^(X|Y)=')"
  details=$("$BUILD_DIR/bench/bench_first_paint" $((X + ROW[0])) $((Y + ROW[1])) $((X + DETAILS[0])) \
    $((Y + DETAILS[1])) "${DETAILS[2]}" "${DETAILS[3]}" 20000 || true)
  printf "%-5s Details painted %6s ms; RSS before the click: program %s MB, with web engine processes %s MB; load %s\n" \
    "$mode" "$details" ${before} "$(cut -d' ' -f1 /proc/loadavg)"
  echo "$mode $details" >>"$RESULTS"
  stop_demo
  OSTREL_PID="" SERVICE_PID=""
}

RESULTS=$(mktemp /tmp/ostrel-click-results.XXXXXX)
for ((run = 1; run <= RUNS; run++)); do
  one_run warm
  one_run busy
done
for mode in warm busy; do
  echo "$mode: median first Details painted $(awk -v m=$mode '$1 == m && $2 ~ /^[0-9]+$/ { print $2 }' "$RESULTS" | median) ms over $RUNS runs"
done
rm -f "$RESULTS"
