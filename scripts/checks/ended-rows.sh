#!/usr/bin/env bash
# No row stays "Chatting" after a visitor was blocked in a chat, closed the
# browser in a chat, or was told gone while the chat stayed open.
# Usage: OUT=folder scripts/checks/ended-rows.sh (needs $DISPLAY and xdotool)
OUT=${OUT:?set OUT to a folder for the pictures and logs}
source "$(dirname "$0")/lib.sh"
begin
two_callers
xdotool mousemove --window "$f" $X $ROW1 click 1; sleep 2
xdotool mousemove --window "$f" $X $ROW1 click --repeat 2 --delay 100 1
svc "v-1 chat accepted" 10 || echo "v-1 not accepted"
sleep 2
shot a1-chat-hana
# a: Block Hana in her chat, from the Visitor menu.
xdotool key --clearmodifiers alt+s; sleep 0.5; xdotool key b; sleep 1.5
shotroot a2-block-dialog
xdotool key Return
svc "v-1 was blocked" 10 || echo "v-1 not blocked"
sleep 2
shot a3-after-block
# End Chat from the Visitor menu, whatever is selected now.
xdotool key --clearmodifiers alt+s; sleep 0.5; shotroot a4-visitor-menu; xdotool key e; sleep 1.5
shot a5-after-end-chat
xdotool key Escape; sleep 0.3; xdotool key Escape
# b: Ivan's chat; Ivan closes the browser during it.
xdotool mousemove --window "$f" $X $ROW1 click 1; sleep 1.5
shot b0-select
xdotool mousemove --window "$f" $X $ROW1 click --repeat 2 --delay 100 1
svc "v-2 chat accepted" 10 || echo "v-2 not accepted"
sleep 2
ctl say v-2 Hello, I need help with my order.
sleep 1
ctl leave v-2
sleep 2
shot b1-after-leave
xdotool key Escape; sleep 0.3; xdotool key Escape
# c: the service tells only that the visitor is gone; the agent ends the chat.
ctl arrive v-3 Jon Berg; ctl ask v-3; sleep 2
xdotool mousemove --window "$f" $X $ROW1 click 1; sleep 1.5
xdotool mousemove --window "$f" $X $ROW1 click --repeat 2 --delay 100 1
svc "v-3 chat accepted" 10 || echo "v-3 not accepted"
sleep 2
ctl say v-3 I have to go.
ctl vanish v-3
sleep 2
shot c1-after-vanish
xdotool key --clearmodifiers alt+s; sleep 0.5; shotroot c2-visitor-menu; xdotool key e; sleep 2
shot c3-after-end-chat
grep -E "demo: visitor" "$DEMO/service.log"
