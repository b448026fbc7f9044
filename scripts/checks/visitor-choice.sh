#!/usr/bin/env bash
# The visitor acted on is the one the agent chose: a row that moves between
# the two clicks of a double-click, a menu whose visitor changed state before
# its command (also while the Block dialog is open), a withdrawn request.
# Usage: OUT=folder scripts/checks/visitor-choice.sh (needs $DISPLAY and xdotool)
OUT=${OUT:?set OUT to a folder for the pictures and logs}
source "$(dirname "$0")/lib.sh"
begin
# a: double-click on Hana's row; she withdraws between the two clicks.
two_callers
shot a0-requests
xdotool mousemove --window "$f" $X $ROW1 click 1
ctl withdraw v-1
sleep 0.05
xdotool click 1
sleep 1.5
shot a1-after-double-click
echo "a: accepted: $(grep -c 'chat accepted' "$DEMO/service.log")"
grep -E "v-[12] " "$DEMO/service.log"
# c: the withdrawal was told: the status bar of shot a1 / a2.
# b: a menu opened on browsing Ivan? Ivan is requesting: make a new browsing visitor.
ctl arrive v-3 Jon Berg
sleep 1.5
shot b0-list
# Jon is the second row now (Ivan, Jon).
xdotool mousemove --window "$f" $X $ROW2 click 3
sleep 0.7
shot b1-menu-open
ctl ask v-3
sleep 1
# Block Visitor... is the second entry of a browsing visitor's menu.
xdotool key Down Down Return
sleep 1.5
shot b2-after-block
# anything that opened (a dialog) is answered with Return
xdotool key Return; sleep 1
shot b3-after-return
echo "b: blocked: $(grep -c 'was blocked' "$DEMO/service.log")"
# b2: the state changes while the Block dialog is open.
ctl arrive v-4 Kim Lee
sleep 1.5
xdotool mousemove --window "$f" $X 84 click 3
sleep 0.7
xdotool key Down Down Return
sleep 1.5
shotroot b4-block-dialog
ctl ask v-4
sleep 1
xdotool key Return
sleep 1.5
shot b5-after-dialog-ok
echo "b2: blocked: $(grep -c 'was blocked' "$DEMO/service.log")"
grep -E "demo: visitor" "$DEMO/service.log"
# c: a withdrawal with nothing else going on is told.
ctl withdraw v-2
sleep 1.5
shot c1-withdrawn
# d: Jon (first row) and Kim (second) ask; the agent double-clicks Kim and
# Jon withdraws between the two clicks, so Kim's row moves up under the
# pointer's first place: the chat accepted is Kim's.
xdotool mousemove --window "$f" $X $ROW2 click 1
ctl withdraw v-3
sleep 0.05
xdotool click 1
svc "v-4 chat accepted" 5 && echo "d: Kim's chat accepted"
sleep 1.5
shot d1-after-double-click
echo "d: accepted: $(grep 'chat accepted' "$DEMO/service.log" | tr '\n' ' ')"
