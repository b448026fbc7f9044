#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, in build-fuzz) and runs them all at
# once, one process each, for the given time. New inputs go to
# build-fuzz/fuzz/corpus/<target>, crashes and hangs to
# build-fuzz/fuzz/findings/<target>, the output to build-fuzz/fuzz/<target>.log;
# the seeds in tests/fuzz/corpus stay as they are.
# Usage: scripts/fuzz.sh [seconds, default 600] [target ...]
set -euo pipefail
cd "$(dirname "$0")/.."
SECONDS_EACH=${1:-600}
shift || true
BUILD_DIR=${FUZZ_BUILD_DIR:-build-fuzz}
if [ $# -gt 0 ]; then
  targets=("$@")
else
  targets=()
  for dir in tests/fuzz/corpus/*/; do targets+=("$(basename "$dir")"); done
fi

launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S . -B "$BUILD_DIR" -G Ninja -DOSTREL_FUZZ=ON -DOSTREL_BUILD_TESTS=OFF -DOSTREL_BUILD_BENCH=OFF \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ "${launcher[@]}" >/dev/null
cmake --build "$BUILD_DIR" --target "${targets[@]}"

# A finding of the undefined-behaviour checks ends the run like a crash.
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-halt_on_error=1:print_stacktrace=1}
export QT_QPA_PLATFORM=offscreen
out="$BUILD_DIR/fuzz"
pids=()
for target in "${targets[@]}"; do
  # The skin reader gets small files: its size and depth caps are unit tests'.
  case "$target" in
    fuzz_skin_file) extra=(-max_len=4096) ;;
    # Room for 51 levels of elements whose names are longer than the guard reads.
    fuzz_xmpp_stream) extra=(-max_len=65536) ;;
    *) extra=(-max_len=16384) ;;
  esac
  [ -f "tests/fuzz/$target.dict" ] && extra+=(-dict="tests/fuzz/$target.dict")
  mkdir -p "$out/corpus/$target" "$out/findings/$target"
  "$out/$target" -max_total_time="$SECONDS_EACH" -print_final_stats=1 "${extra[@]}" \
    -artifact_prefix="$out/findings/$target/" "$out/corpus/$target" "tests/fuzz/corpus/$target" \
    >"$out/$target.log" 2>&1 &
  pids+=($!)
done
status=0
for i in "${!targets[@]}"; do
  wait "${pids[$i]}" || status=1
  target=${targets[$i]}
  summary=$(grep -E '^#[0-9]+.*(DONE|pulse|NEW|REDUCE)' "$out/$target.log" | tail -1 || true)
  findings=$(find "$out/findings/$target" -type f | wc -l)
  echo "$target: ${summary:-no run} findings: $findings"
done
exit $status
