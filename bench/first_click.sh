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
# With "preview", the first knowledge-base preview instead, and a second one
# of another article in the same run: the agent opens the Lumory page,
# searches with the empty search and double-clicks an article in the list,
# having clicked it a moment before (the time runs from the double-click's
# second click); the memory is read before the first.
#
# Usage: bench/first_click.sh [runs (5)] [visitors (1000)] [details|preview (details)]
#   Environment: BUILD_DIR (build). Needs xvfb-run and xdotool.
set -euo pipefail
cd "$(dirname "$0")/.."

RUNS=${1:-5}
VISITORS=${2:-1000}
WHAT=${3:-details}
BUILD_DIR=${BUILD_DIR:-build}

if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"
fi

DEMO=""
source scripts/demo-env.sh
source bench/bench-env.sh
trap 'stop_demo' EXIT
trap 'exit 130' INT TERM

# Positions in the frame as it opens: the first visitor row, and a part of
# the Details view (x y width height); the Lumory page's button, then on
# that page the Search button, the first two articles the search lists and
# a part of the view where a preview shows.
ROW=(320 49)
DETAILS=(300 270 400 200)
LUMORY=(51 662)
SEARCH=(215 171)
FIRST=(100 215)
SECOND=(100 290)
PREVIEW=(270 60 500 150)

one_run() {
  local mode=$1 jiggle="" before details
  fresh_start --visitors "$VISITORS" || return 1
  if [ "$mode" = busy ]; then
    # A key press resets the X server's idle time; moving the pointer may not.
    (while :; do xdotool key shift; sleep 0.3; done) &
    jiggle=$!
  fi
  sleep 15
  [ -n "$jiggle" ] && { kill "$jiggle"; wait "$jiggle" 2>/dev/null || true; }
  # shellcheck disable=SC2046
  before="$(rss_mb "$OSTREL_PID") $(rss_mb $(family "$OSTREL_PID"))"
  details=$(first_paint "${ROW[@]}" "${DETAILS[@]}")
  printf "%-5s Details painted %6s ms; RSS before the click: program %s MB, with web engine processes %s MB; load %s\n" \
    "$mode" "$details" ${before} "$(cut -d' ' -f1 /proc/loadavg)"
  echo "$mode $details" >>"$RESULTS"
  end_start
}

# Selects the article at x y, then times the double-click on it.
preview() {
  click_frame "$1" "$2"
  sleep 1.5
  first_paint "$1" "$2" "${PREVIEW[@]}" 2
}

preview_run() {
  local own all first second
  fresh_start --visitors "$VISITORS" || return 1
  sleep 15
  click_frame "${LUMORY[@]}"
  sleep 3
  click_frame "${SEARCH[@]}"
  sleep 3
  own=$(rss_mb "$OSTREL_PID")
  # shellcheck disable=SC2046
  all=$(rss_mb $(family "$OSTREL_PID"))
  first=$(preview "${FIRST[@]}")
  sleep 2
  second=$(preview "${SECOND[@]}")
  printf "preview painted: first %6s ms, second %6s ms; RSS before: program %s MB, with web engine processes %s MB; load %s\n" \
    "$first" "$second" "$own" "$all" "$(cut -d' ' -f1 /proc/loadavg)"
  echo "first $first" >>"$RESULTS"
  echo "second $second" >>"$RESULTS"
  end_start
}

RESULTS=$(mktemp /tmp/ostrel-click-results.XXXXXX)
if [ "$WHAT" = preview ]; then
  modes=(first second)
  for ((run = 1; run <= RUNS; run++)); do preview_run; done
else
  modes=(warm busy)
  for ((run = 1; run <= RUNS; run++)); do
    one_run warm
    one_run busy
  done
fi
for mode in "${modes[@]}"; do
  echo "$mode: median $([ "$WHAT" = preview ] && echo preview || echo first Details) painted" \
    "$(awk -v m="$mode" '$1 == m && $2 ~ /^[0-9]+$/ { print $2 }' "$RESULTS" | median) ms over $RUNS runs"
done
rm -f "$RESULTS"
