#!/usr/bin/env bash
# The transfer request names the colleague as the Agents list does; a chat
# detached and docked back keeps the visitor's typing picture (also when
# docked while another visitor is selected); an upload failure names the
# file and the chat.
# Usage: OUT=folder scripts/checks/chat-window.sh (needs $DISPLAY and xdotool)
OUT=${OUT:?set OUT to a folder for the pictures and logs}
source "$(dirname "$0")/lib.sh"
begin
ctl arrive v-1 Hana Sato; ctl arrive v-2 Ivan Petrov
ctl ask v-2
sleep 2
# a: The colleague (no nick) asks the agent to take Hana's chat.
ctl offer v-1 She asks about a refund.
sleep 2
shotroot a1-transfer-request
echo "windows: $(other_windows)"
box=$(other_windows | awk 'NR==1{print $1}')
[ -n "$box" ] && answer_box "$box"
svc "v-1 was taken by the agent" 10 && echo "taken"
sleep 2
shot a2-after-yes
# b: Hana types; the chat is detached and docked back.
xdotool mousemove --window "$f" $INPUT_X $INPUT_Y click 1; sleep 0.3
xdotool type --delay 30 "Let me check"
ctl typing v-1
sleep 1
shot b1-typing-docked
xdotool mousemove --window "$f" 740 240 click 1
sleep 2
shotroot b2-detached
echo "windows: $(other_windows)"
det=$(other_windows | awk '/Hana Sato/{print $1}')
xdotool windowactivate --sync "$det" 2>/dev/null || xdotool windowraise "$det"; sleep 0.5
xdotool mousemove --window "$det" 410 26 click 1
sleep 2
echo "windows after close: $(other_windows)"
shot b3-docked-back
# c: Uploads are refused; Send File for Hana.
ctl uploads off
echo "a small file" > "$DEMO/notes.txt"
xdotool mousemove --window "$f" 390 240 click 1
sleep 2
shotroot c1-file-dialog
echo "windows: $(other_windows)"
xdotool type --delay 20 "$DEMO/notes.txt"; xdotool key Return
sleep 3
shotroot c2-after-send-file
echo "windows: $(other_windows)"
box=$(other_windows | awk "/Quelvar/{print \$1}" | head -1); [ -n "$box" ] && answer_box "$box"; sleep 1
# b2: detached again; Hana types; the frame is closed while Ivan is selected.
xdotool mousemove --window "$f" 740 240 click 1
sleep 2
ctl typing v-1
sleep 1
xdotool mousemove --window "$f" $X $ROW2 click 1; sleep 1.5
det=$(other_windows | awk '/Hana Sato/{print $1}')
shotroot d1-detached-ivan-selected
xdotool windowactivate --sync "$det" 2>/dev/null || xdotool windowraise "$det"; sleep 0.5
xdotool mousemove --window "$det" 410 26 click 1
sleep 1.5
xdotool mousemove --window "$f" $X $ROW1 click 1; sleep 1.5
shot d2-back-on-hana
