#!/usr/bin/env bash
# A line sent just before turning to another visitor, in a room that sends
# no receipt: on return the line is in view, and after 10 s the notice
# comes with the text kept (on return, when the agent was elsewhere).
# Usage: OUT=folder scripts/checks/receipt-wait.sh (needs $DISPLAY and xdotool)
OUT=${OUT:?set OUT to a folder for the pictures and logs}
source "$(dirname "$0")/lib.sh"
begin
two_callers
for row in $ROW1 $ROW2; do
  xdotool mousemove --window "$f" $X $row click 1; sleep 2
  xdotool mousemove --window "$f" $X $row click --repeat 2 --delay 100 1; sleep 2
done
svc "v-2 chat accepted" 10 || echo "v-2 not accepted"
ctl receipts v-1 off
# Hana's chat, a line, Enter, and Ivan at once.
xdotool mousemove --window "$f" $X $ROW1 click 1; sleep 2
xdotool mousemove --window "$f" $INPUT_X $INPUT_Y click 1; sleep 0.5
xdotool type --delay 30 "Your parcel left the depot today."
xdotool key Return
sent=$(date +%s.%N)
xdotool mousemove --window "$f" $X $ROW2 click 1
svc "v-1 sends no receipt" 5 && echo "room got the line, no receipt"
sleep 2
shot 1-ivan
xdotool mousemove --window "$f" $X $ROW1 click 1
sleep 1.5
shot 2-back-on-hana
# 10 s after the Enter, and a little more.
while (( $(echo "$(date +%s.%N) - $sent < 12" | bc) )); do sleep 0.2; done
shotroot 3-after-10s
xdotool mousemove --window "$f" $X $ROW2 click 1; sleep 1.5
xdotool mousemove --window "$f" $X $ROW1 click 1; sleep 1.5
shotroot 4-again-on-hana
grep -E "demo: visitor" "$DEMO/service.log"
echo "windows: $(other_windows)"
box=$(other_windows | awk 'NR==1{print $1}')
[ -n "$box" ] && answer_box "$box"
sleep 1
# b: the agent stays on Ivan past the 10 s, then comes back.
xdotool mousemove --window "$f" $INPUT_X $INPUT_Y click 1; sleep 0.3
xdotool key ctrl+a; xdotool type --delay 30 "Shall I send it to your office instead?"
xdotool key Return
xdotool mousemove --window "$f" $X $ROW2 click 1
sleep 12
shotroot 5-on-ivan-after-10s
echo "windows: $(other_windows)"
xdotool mousemove --window "$f" $X $ROW1 click 1; sleep 1.5
shotroot 6-back-on-hana
