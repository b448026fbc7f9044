#!/usr/bin/env bash
# Shift+F10 and the Menu key on a visitor row and in the quick-text tree;
# the status line's clock after the Timestamp Format changes in Settings.
# Usage: OUT=folder scripts/checks/menus-and-clock.sh (needs $DISPLAY and xdotool)
OUT=${OUT:?set OUT to a folder for the pictures and logs}
source "$(dirname "$0")/lib.sh"
begin
ctl arrive v-1 Hana Sato; ctl arrive v-2 Ivan Petrov
sleep 2
# a: the visitor row: Shift+F10, then the Menu key.
xdotool mousemove --window "$f" $X $ROW1 click 1; sleep 1.5
xdotool mousemove --window "$f" 900 600
xdotool key shift+F10; sleep 1; shotroot a1-row-shift-f10; xdotool key Escape; sleep 0.5
xdotool key Menu; sleep 1; shotroot a2-row-menu-key; xdotool key Escape; sleep 0.5
# b: the quick-text tree.
xdotool mousemove --window "$f" 85 78 click 1; sleep 1
xdotool mousemove --window "$f" 900 600
xdotool key shift+F10; sleep 1; shotroot b1-tree-shift-f10; xdotool key Escape; sleep 0.5
xdotool key Menu; sleep 1; shotroot b2-tree-menu-key; xdotool key Escape; sleep 0.5
# c: a line from Hana, then the time format changes in Settings.
ctl ask v-1; sleep 1.5
xdotool mousemove --window "$f" $X $ROW1 click --repeat 2 --delay 100 1
svc "v-1 chat accepted" 10 || echo "v-1 not accepted"
sleep 1
ctl say v-1 Where is my parcel?
sleep 1.5
shot c1-status-before
xdotool key --clearmodifiers alt+t; sleep 0.5; xdotool key s; sleep 2
shotroot c2-settings
echo "windows: $(other_windows)"
dlg=$(other_windows | awk '/Settings/{print $1}')
xdotool mousemove --window "$dlg" 49 94 click 1; sleep 1
shotroot c3-chat-settings
xdotool mousemove --window "$dlg" 460 64 click 1; sleep 0.3
xdotool key ctrl+a; xdotool type --delay 30 "%H:%M:%S"; sleep 0.3
xdotool mousemove --window "$dlg" 482 396 click 1; sleep 1.5
shot c4-after-settings
ctl say v-1 Hello again.
sleep 1.5
shot c5-next-line
grep -i "timestamp" "$DEMO/config/Quelvar/Quelvar.conf"
