#!/usr/bin/env bash
# Resident size of the signed-in program: the demo chat service brings a
# crowd of visitors at once; after IDLE seconds with nothing happening the
# program's VmRSS is read, then visitors come and go (CHURN a second, the
# crowd's size kept) for RUN seconds with VmRSS read every 10 s; the growth
# is the last reading against the idle one. Runs under its own Xvfb, where
# the login dialog's Sign In is pressed as the agent would.
#
# Usage: bench/memory.sh [visitors (1000)] [run seconds (1800)] [churn (5)]
#   Environment: BUILD_DIR (build), IDLE (60). Needs xvfb-run and xdotool.
set -euo pipefail
cd "$(dirname "$0")/.."

VISITORS=${1:-1000}
RUN=${2:-1800}
CHURN=${3:-5}
IDLE=${IDLE:-60}
BUILD_DIR=${BUILD_DIR:-build}

if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"
fi

WORK=$(mktemp -d /tmp/ostrel-memory.XXXXXX)
SERVICE_PID=""
OSTREL_PID=""
cleanup() {
  if [ -n "$OSTREL_PID" ]; then kill "$OSTREL_PID" 2>/dev/null || true; wait "$OSTREL_PID" 2>/dev/null || true; fi
  if [ -n "$SERVICE_PID" ]; then kill -INT "$SERVICE_PID" 2>/dev/null || true; wait "$SERVICE_PID" 2>/dev/null || true; fi
  rm -rf "$WORK"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

wait_for_line() {
  local pattern=$1 seconds=$2 file=$3 i
  for ((i = 0; i < seconds * 10; i++)); do
    if grep -Eq "$pattern" "$file" 2>/dev/null; then return 0; fi
    sleep 0.1
  done
  return 1
}
rss_kb() { awk '/^VmRSS:/ { print $2 }' "/proc/$OSTREL_PID/status"; }
now() { date +%s; }

# The churn starts once the crowd is in and the idle reading is taken; the
# service counts seconds from the agent's sign-in, so the margin covers the
# wait for the crowd.
"$BUILD_DIR/tools/ostrel-demo-service" --visitors "$VISITORS" --churn "$CHURN" --churn-after $((IDLE + 20)) \
  >"$WORK/service.out" 2>"$WORK/service.log" &
SERVICE_PID=$!
if ! wait_for_line '^ready$' 60 "$WORK/service.out"; then
  echo "memory: the demo chat service did not start" >&2
  cat "$WORK/service.out" "$WORK/service.log" >&2
  exit 1
fi
value() { sed -n "s/^$1=//p" "$WORK/service.out" | head -n 1; }
mkdir -p "$WORK/config/Quelvar" "$WORK/data"
mkdir -m 700 "$WORK/runtime"
cat >"$WORK/config/Quelvar/Quelvar.conf" <<EOF
[Values]
server.address=$(value address)
server.username=$(value user)
server.password=$(value password)
server.cafile=$(value cafile)
EOF

HOME="$WORK" XDG_CONFIG_HOME="$WORK/config" XDG_DATA_HOME="$WORK/data" XDG_RUNTIME_DIR="$WORK/runtime" \
  "$BUILD_DIR/bin/Ostrel" 2>"$WORK/ostrel.log" &
OSTREL_PID=$!

# Sign In: the login dialog is the program's window as wide as its picture.
online() { grep -q "presence Online" "$WORK/ostrel.log" 2>/dev/null; }
for ((i = 0; i < 120; i++)); do
  if online; then break; fi
  for id in $(xdotool search --onlyvisible --name '^Quelvar$' 2>/dev/null); do
    if [ "$(xdotool getwindowgeometry --shell "$id" 2>/dev/null | sed -n 's/^WIDTH=//p')" = 360 ]; then
      xdotool windowfocus --sync "$id" 2>/dev/null || true
      xdotool key --window "$id" --clearmodifiers Return 2>/dev/null || true
    fi
  done
  sleep 0.5
done
if ! online; then
  echo "memory: the program did not sign in" >&2
  cat "$WORK/ostrel.log" >&2
  exit 1
fi
SIGNED_IN=$(now)

# The crowd arrives with the service's first tick after the sign-in.
sleep 5
echo "signed in; $VISITORS visitors arriving; idle ${IDLE} s"
sleep "$IDLE"
IDLE_KB=$(rss_kb)
webviews=$(pgrep -c -P "$OSTREL_PID" QtWebEngineProc || true)
echo "after ${IDLE} s idle: VmRSS $((IDLE_KB / 1024)) MB (${IDLE_KB} kB); web engine processes: ${webviews:-0}"

# Waits until the churn has started.
sleep $((SIGNED_IN + IDLE + 22 - $(now) > 0 ? SIGNED_IN + IDLE + 22 - $(now) : 0))
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
