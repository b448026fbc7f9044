#!/usr/bin/env bash
# Resident size of the signed-in program: the demo chat service brings a
# crowd of visitors at once and the agent selects the first, whose Details
# are then shown; after IDLE seconds with nothing happening the program's
# VmRSS is read; then that visitor goes to another page REDRAWS times (ten a
# second), each a redraw of the Details, and VmRSS is read 10 s after the
# last; then visitors come and go (CHURN a second, the crowd's size kept,
# the selected visitor stays) for RUN seconds with VmRSS read every 10 s;
# the growth is the last reading against the idle one. Runs under its own
# Xvfb, where the agent's clicks are made with xdotool.
#
# Usage: bench/memory.sh [visitors (1000)] [run seconds (1800)] [churn (5)]
#   Environment: BUILD_DIR (build), IDLE (60), REDRAWS (1000). Needs
#   xvfb-run and xdotool.
set -euo pipefail
cd "$(dirname "$0")/.."

VISITORS=${1:-1000}
RUN=${2:-1800}
CHURN=${3:-5}
IDLE=${IDLE:-60}
REDRAWS=${REDRAWS:-1000}
BUILD_DIR=${BUILD_DIR:-build}

if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"
fi

DEMO=$(mktemp -d /tmp/ostrel-memory.XXXXXX)
source scripts/demo-env.sh
trap stop_demo EXIT
trap 'exit 130' INT TERM
rss_kb() { awk '/^VmRSS:/ { print $2 }' "/proc/$OSTREL_PID/status"; }
# The program with its web engine processes.
family_kb() {
  local pids=("$OSTREL_PID") pid
  mapfile -t -O 1 pids < <(pgrep -P "$OSTREL_PID" || true)
  for pid in "${pids[@]}"; do cat "/proc/$pid/status" 2>/dev/null; done | awk '/^VmRSS:/ { kb += $2 } END { print kb + 0 }'
}
now() { date +%s; }

# The churn starts once the crowd is in and the idle reading is taken; the
# service counts seconds from the agent's sign-in, so the margin covers the
# wait for the crowd.
start_demo_service --visitors "$VISITORS" --churn "$CHURN" --churn-after $((IDLE + 20)) --redraws "$REDRAWS" || exit 1
write_demo_config
start_demo_program
press_sign_in
if ! online; then
  echo "memory: the program did not sign in" >&2
  cat "$DEMO/ostrel.log" >&2
  exit 1
fi
SIGNED_IN=$(now)

# The crowd arrives with the service's first tick after the sign-in; the
# first row is Visitor 1, the one redrawn.
sleep 5
xdotool mousemove --window "$(program_window frame)" 320 49 click 1
echo "signed in; $VISITORS visitors arriving; Visitor 1 selected; idle ${IDLE} s"
sleep "$IDLE"
IDLE_KB=$(rss_kb)
webviews=$(pgrep -c -P "$OSTREL_PID" QtWebEngineProc || true)
echo "after ${IDLE} s idle: VmRSS $((IDLE_KB / 1024)) MB (${IDLE_KB} kB), with the ${webviews:-0} web engine processes $(($(family_kb) / 1024)) MB; load $(cut -d' ' -f1 /proc/loadavg)"

if ((REDRAWS > 0)); then
  sleep $((SIGNED_IN + IDLE + 21 - $(now) > 0 ? SIGNED_IN + IDLE + 21 - $(now) : 0))
  BEFORE_KB=$(rss_kb)
  BEFORE_FAMILY=$(family_kb)
  if ! wait_for_line "^demo: redraws done" $((REDRAWS / 10 + 120)) "$DEMO/service.log"; then
    echo "memory: the redraws did not end" >&2
    exit 1
  fi
  sleep 10
  AFTER_KB=$(rss_kb)
  AFTER_FAMILY=$(family_kb)
  echo "$REDRAWS Details redraws of the selected visitor: VmRSS ${BEFORE_KB} -> ${AFTER_KB} kB ($(((AFTER_KB - BEFORE_KB) / 1024)) MB)," \
    "with the web engine processes ${BEFORE_FAMILY} -> ${AFTER_FAMILY} kB; load $(cut -d' ' -f1 /proc/loadavg)"
fi

# Waits until the churn has started (after the redraws and a pause).
CHURN_AT=$((SIGNED_IN + IDLE + 22 + (REDRAWS > 0 ? REDRAWS / 10 + 15 : 0)))
sleep $((CHURN_AT - $(now) > 0 ? CHURN_AT - $(now) : 0))
START=$(now)
START_KB=$(rss_kb)
MAX_KB=$START_KB
echo "visitors coming and going, $CHURN a second, for $RUN s"
echo "seconds  VmRSS(kB)  load"
while (($(now) - START < RUN)); do
  sleep 10
  kill -0 "$OSTREL_PID" 2>/dev/null || { echo "memory: the program ended" >&2; exit 1; }
  KB=$(rss_kb)
  ((KB > MAX_KB)) && MAX_KB=$KB
  echo "$(($(now) - START))  $KB  $(cut -d' ' -f1 /proc/loadavg)"
done
END_KB=$(rss_kb)
echo "idle ${IDLE_KB} kB; churn start ${START_KB} kB; end ${END_KB} kB after $(($(now) - START)) s; max ${MAX_KB} kB"
awk -v a="$IDLE_KB" -v b="$END_KB" -v c="$START_KB" 'BEGIN {
  printf "growth: %.1f%% against the idle reading, %.1f%% against the churn start\n", (b - a) * 100 / a, (b - c) * 100 / c }'
