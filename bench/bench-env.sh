# shellcheck shell=bash
# Sourced by the benchmark scripts that time the program against the demo
# chat service, after scripts/demo-env.sh: fresh starts, the program's
# processes and their memory, the time to a click's result on the screen,
# and medians.

# A fresh start of the program, signed in to a demo service started with
# the given options, in a scratch folder of its own (DEMO).
fresh_start() {
  DEMO=$(mktemp -d /tmp/ostrel-bench.XXXXXX)
  start_demo_service "$@" || return 1
  write_demo_config
  start_demo_program
  press_sign_in
  if ! online; then
    echo "the program did not sign in" >&2
    cat "$DEMO/ostrel.log" >&2
    return 1
  fi
}

# Ends a fresh start.
end_start() {
  stop_demo
  # shellcheck disable=SC2034 # demo-env.sh's
  OSTREL_PID="" SERVICE_PID=""
}

# A process and its descendants.
family() {
  local child
  echo "$1"
  for child in $(pgrep -P "$1" || true); do family "$child"; done
}

# The resident memory of the given processes together, in MB.
rss_mb() {
  local pid
  for pid in "$@"; do cat "/proc/$pid/status" 2>/dev/null; done | awk '/^VmRSS:/ { kb += $2 } END { printf "%.0f", kb / 1024 }'
}

# The median of the numbers on standard input, one a line; "-" for none.
median() { sort -n | awk '{ v[NR] = $1 } END { if (NR == 0) print "-"; else if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# Milliseconds from a click at x y in the main frame until the frame's
# region x y width height shows something new on the screen
# (bench_first_paint), or "timeout" after 20 s; with a seventh argument 2,
# from the second click of a double-click.
first_paint() {
  local X Y
  eval "$(xdotool getwindowgeometry --shell "$(program_window frame)" | grep -E '^(X|Y)=')"
  "$BUILD_DIR/bench/bench_first_paint" $((X + $1)) $((Y + $2)) $((X + $3)) $((Y + $4)) "$5" "$6" 20000 "${@:7}" || true
}
