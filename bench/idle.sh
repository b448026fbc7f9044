#!/usr/bin/env bash
# The program at rest. Beside a minimal Qt dialog (bench_min_dialog) in the
# same run, each left alone for SECONDS: the program at its login dialog;
# then signed in to the demo chat service with a crowd of VISITORS and the
# first visitor's Details shown, on the Live Chat page; then on the Lumory
# page. For each: CPU seconds a minute, wake-ups a second (context switches
# of all threads) and resident memory, of the program alone and with its web
# engine processes (which draw with software GL under Xvfb). Runs under its
# own Xvfb, where the agent's clicks are made with xdotool.
#
# Usage: bench/idle.sh [seconds (60)] [visitors (1000)]
#   Environment: BUILD_DIR (build). Needs xvfb-run and xdotool.
set -euo pipefail
cd "$(dirname "$0")/.."

IDLE=${1:-60}
VISITORS=${2:-1000}
BUILD_DIR=${BUILD_DIR:-build}

if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"
fi

DEMO=$(mktemp -d /tmp/ostrel-idle.XXXXXX)
source scripts/demo-env.sh
source bench/bench-env.sh
BASE_PID=""
finish() {
  if [ -n "$BASE_PID" ]; then kill "$BASE_PID" 2>/dev/null || true; wait "$BASE_PID" 2>/dev/null || true; fi
  stop_demo
}
trap finish EXIT
trap 'exit 130' INT TERM

HZ=$(getconf CLK_TCK)
# CPU ticks (user + system) of the given processes.
ticks() {
  local pid total=0 t
  for pid in "$@"; do
    t=$(sed 's/^.*) //' "/proc/$pid/stat" 2>/dev/null | awk '{ print $12 + $13 }') || t=0
    total=$((total + ${t:-0}))
  done
  echo "$total"
}
# Context switches of each thread of the given processes: "tid count".
switch_list() {
  local pid task
  for pid in "$@"; do
    for task in /proc/"$pid"/task/*; do
      awk -v t="${task##*/}" '/^(voluntary|nonvoluntary)_ctxt_switches:/ { n += $2 } END { print t, n + 0 }' \
        "$task/status" 2>/dev/null || true
    done
  done
}
# The switches between two lists: a thread that ended in between is left
# out, one that began counts whole.
switch_delta() {
  awk 'NR == FNR { was[$1] = $2; next } { n += $2 - ($1 in was ? was[$1] : 0) } END { print n + 0 }' "$1" "$2"
}

# Measures the program, its family and the baseline over IDLE seconds.
measure() {
  local what=$1 own fam base t0 t1 s0 s1 f0 f1 g0 g1 b0 b1 c0 c1 load
  own=$OSTREL_PID
  mapfile -t fam < <(family "$OSTREL_PID")
  base=$BASE_PID
  t0=$(ticks "$own"); f0=$(ticks "${fam[@]}"); b0=$(ticks "$base")
  switch_list "$own" >"$DEMO/s0"; switch_list "${fam[@]}" >"$DEMO/g0"; switch_list "$base" >"$DEMO/c0"
  sleep "$IDLE"
  t1=$(ticks "$own"); f1=$(ticks "${fam[@]}"); b1=$(ticks "$base")
  switch_list "$own" >"$DEMO/s1"; switch_list "${fam[@]}" >"$DEMO/g1"; switch_list "$base" >"$DEMO/c1"
  s0=0; s1=$(switch_delta "$DEMO/s0" "$DEMO/s1"); g0=0; g1=$(switch_delta "$DEMO/g0" "$DEMO/g1")
  c0=0; c1=$(switch_delta "$DEMO/c0" "$DEMO/c1")
  load=$(cut -d' ' -f1-3 /proc/loadavg)
  awk -v w="$what" -v n="$IDLE" -v hz="$HZ" -v t="$((t1 - t0))" -v s="$((s1 - s0))" -v f="$((f1 - f0))" \
    -v g="$((g1 - g0))" -v b="$((b1 - b0))" -v c="$((c1 - c0))" -v r="$(rss_mb "$own")" \
    -v fr="$(rss_mb "${fam[@]}")" -v br="$(rss_mb "$base")" -v k="$((${#fam[@]} - 1))" -v l="$load" 'BEGIN {
    printf "%-22s program       %6.2f CPU s/min %8.1f wake-ups/s  RSS %4d MB\n", w, t / hz * 60 / n, s / n, r
    printf "%-22s + %d web proc.  %6.2f CPU s/min %8.1f wake-ups/s  RSS %4d MB\n", "", k, f / hz * 60 / n, g / n, fr
    printf "%-22s minimal dialog %5.2f CPU s/min %8.1f wake-ups/s  RSS %4d MB   load %s\n", "", b / hz * 60 / n, c / n, br, l
  }'
}

"$BUILD_DIR/bench/bench_min_dialog" &
BASE_PID=$!
start_demo_service --visitors "$VISITORS" || exit 1
write_demo_config
start_demo_program
for ((i = 0; i < 120; i++)); do program_window login >/dev/null && break; sleep 0.5; done
sleep 5
echo "idle ${IDLE} s each; CPU of one core is 60 CPU s/min"
measure "login dialog"

press_sign_in
if ! online; then
  echo "idle: the program did not sign in" >&2
  cat "$DEMO/ostrel.log" >&2
  exit 1
fi
# The crowd arrives with the service's first tick after the sign-in; the
# first row is then selected and its Details drawn.
sleep 15
click_frame 320 67
sleep 15
measure "Live Chat, Details"

# The Lumory page's button, at the foot of the outlook bar.
click_frame "${LUMORY_X:-51}" "${LUMORY_Y:-662}"
sleep 5
measure "Lumory page"
