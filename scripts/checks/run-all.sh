#!/usr/bin/env bash
# Runs every check of this folder on a bare Xvfb and under openbox, two at a
# time, then the first start on a small screen. Results in OUTDIR/<mode>-<check>.
# Usage: scripts/checks/run-all.sh OUTDIR [DISPLAY_NUMBER]  (uses it and the next)
OUTDIR=$(realpath -m "${1:?}"); D=${2:-510}
mkdir -p "$OUTDIR"
cd "$(dirname "$0")"
WM=$(pwd)/../with-wm.sh
for s in visitor-choice ended-rows receipt-wait chat-window menus-and-clock alerts-and-first-start; do
  OUT=$OUTDIR/bare-$s timeout 300 xvfb-run -a -n $D -s "-screen 0 1600x1000x24" ./$s.sh > $OUTDIR/bare-$s.txt 2>&1 &
  OUT=$OUTDIR/wm-$s timeout 300 xvfb-run -a -n $((D+1)) -s "-screen 0 1600x1000x24" $WM ./$s.sh > $OUTDIR/wm-$s.txt 2>&1
  wait
done
# The first start on a small screen.
for mode in bare wm; do
  wrap=""; [ $mode = wm ] && wrap=$WM
  OUT=$OUTDIR/$mode-small timeout 300 xvfb-run -a -n $D -s "-screen 0 1024x768x24" $wrap ./alerts-and-first-start.sh > $OUTDIR/$mode-small.txt 2>&1
done
