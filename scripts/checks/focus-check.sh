#!/usr/bin/env bash
# Manual check of where the agent's keys go in the running program, against
# the demo chat service: real X keys (xdotool) typed into the window the agent
# works in while the program brings up boxes and windows by itself. Prints
# one row per case: keys typed, keys that arrived where they were typed, and
# what else happened. Run it on a fresh screen, with and without openbox:
#   xvfb-run -a -s "-screen 0 1600x1000x24" scripts/with-wm.sh bash scripts/checks/focus-check.sh
#   xvfb-run -a -s "-screen 0 1600x1000x24" bash scripts/checks/focus-check.sh
# Needs the demo built (cmake --build build --target demo), xdotool, trayer
# (a tray for the frame to hide in) and python3 with tkinter (another
# program's window). OUT (default /tmp/ostrel-focus) keeps the logs and
# pictures. Takes about two minutes.
set -uo pipefail
HERE=$(cd "$(dirname "$0")" && pwd)
cd "$HERE/../.."
BUILD_DIR=${BUILD_DIR:-build}
OUT=${OUT:-/tmp/ostrel-focus}
mkdir -p "$OUT"
DEMO=$(mktemp -d /tmp/ostrel-check.XXXXXX)
source scripts/demo-env.sh
TRAY_PID="" PAD_PID=""
finish() {
  cp "$DEMO/service.log" "$OUT/service.log" 2>/dev/null
  cp "$DEMO/ostrel.log" "$OUT/ostrel.log" 2>/dev/null
  [ -n "$PAD_PID" ] && kill "$PAD_PID" 2>/dev/null
  [ -n "$TRAY_PID" ] && kill "$TRAY_PID" 2>/dev/null
  stop_demo
}
trap finish EXIT

if xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; then WM=openbox; else WM=bare; fi
ROWS="$OUT/rows-$WM.txt"
: >"$ROWS"
say() { echo "$*" >&2; }
row() { printf '| %s | %s | %s | %s | %s |\n' "$1" "$WM" "$2" "$3" "$4" | tee -a "$ROWS"; }
control() { echo "$*" >>"$DEMO/control"; }
shot() { import -window root "$OUT/$WM-$1.png"; }
kept() { python3 "$HERE/focus/count.py" "$1" "$2"; }
# What visitor $1 (or "colleague") read last, once it read something new
# after line $2 of the service's log.
read_after() {
  local who=$1 from=$2 i line
  for ((i = 0; i < 100; i++)); do
    if [ "$who" = colleague ]; then
      line=$(tail -n +"$((from + 1))" "$DEMO/service.log" | sed -n 's/^demo: colleague read: //p' | tail -n 1)
    else
      line=$(tail -n +"$((from + 1))" "$DEMO/service.log" | sed -n "s/^demo: visitor $who read: //p" | tail -n 1)
    fi
    if [ -n "$line" ]; then printf '%s' "$line"; return 0; fi
    sleep 0.1
  done
  return 1
}
log_lines() { wc -l <"$DEMO/service.log"; }
# Client window geometry (absolute): X Y W H.
geometry() {
  xwininfo -id "$1" 2>/dev/null | awk '/Absolute upper-left X/{x=$NF} /Absolute upper-left Y/{y=$NF}
    /^ *Width/{w=$NF} /^ *Height/{h=$NF} END{print x, y, w, h}'
}
# The program's visible windows other than the frame, as "id WxH name".
others() {
  local id frame
  frame=$(program_window frame)
  for id in $(xdotool search --all --onlyvisible --pid "$OSTREL_PID" --name '.' 2>/dev/null); do
    [ "$id" = "$frame" ] && continue
    read -r _ _ w h < <(geometry "$id")
    # Not the tray icon.
    [ "${w:-0}" -gt 40 ] || continue
    echo "$id ${w}x${h} $(xdotool getwindowname "$id")"
  done
}
# Gives window $1 the focus as the agent's click would (the script's own
# set-up between the cases).
turn_to() {
  xdotool windowactivate --sync "$1" 2>/dev/null || xdotool windowfocus --sync "$1" 2>/dev/null
  sleep 0.3
}
focus_name() { xdotool getwindowname "$(xdotool getwindowfocus 2>/dev/null)" 2>/dev/null; }
colleague_window() { xdotool search --all --onlyvisible --pid "$OSTREL_PID" --name 'colleague' 2>/dev/null | head -n 1; }
# Mapped or not (minimised or hidden windows are unmapped).
# Whether window $1 asks for the agent's attention (flashes in the task bar).
flashing() { xprop -id "$1" _NET_WM_STATE 2>/dev/null | grep -q DEMANDS_ATTENTION && echo flashes || echo "does not flash"; }
mapped() { xwininfo -id "$1" 2>/dev/null | grep -q 'Map State: IsViewable'; }
frame_state() {
  local f; f=$(xdotool search --pid "$OSTREL_PID" --name '^Quelvar$' 2>/dev/null | while read -r id; do
    read -r _ _ w h < <(geometry "$id"); [ "${w:-0}" -ge 1000 ] && echo "$id"; done | head -n 1)
  if [ -z "$f" ]; then echo gone; elif mapped "$f"; then echo shown; else echo hidden; fi
}
# The chat input of the frame, and a spot of the Transfer button.
INPUT_X=496 INPUT_Y=740 TRANSFER_X=477 TRANSFER_Y=239 SEND_FILE_X=388 SEND_FILE_Y=239
click_input() { click_frame "$INPUT_X" "$INPUT_Y"; sleep 0.5; }
# The agent turns to window $1: a click on its title under a window
# manager; without one, nothing but the program itself gives a window the
# focus, so the script does: raised and focused, as a title click does.
click_title() {
  local x y w h
  if [ "$WM" = openbox ]; then
    read -r x y w h < <(geometry "$1")
    xdotool mousemove "$((x + 50))" "$((y - 8))" click 1
  else
    xdotool windowraise "$1" windowfocus --sync "$1"
  fi
  sleep 0.5
}
# Types $1 into whatever has the focus (xdotool's --delay $2: a key about
# every $2/2 ms), while the commands after it go to the service, each after
# the seconds before it.
type_while() {
  local text=$1 delay=$2; shift 2
  xdotool type --delay "$delay" -- "$text" &
  local typing=$!
  while [ $# -ge 2 ]; do sleep "$1"; control "$2"; shift 2; done
  wait "$typing"
  sleep 0.3
}
# A line to visitor v-102 typed while things happen, sent with Enter, and
# its count: $1 case, $2 text, $3.. as type_while.
line_to_bob() {
  local name=$1 text=$2 before got n boxes_before boxes_after
  shift 2
  before=$(log_lines)
  boxes_before=$(others | wc -l)
  type_while "$text" 120 "$@"
  xdotool key Return
  got=$(read_after v-102 "$before") || got=""
  n=$(kept "$text" "$got")
  [ -n "$got" ] && n=$((n + 1))
  sleep 1.5
  boxes_after=$(others | wc -l)
  NOTE="windows of the program besides the frame: $boxes_before -> $boxes_after; focus on '$(focus_name)'"
  [ "$got" = "$text" ] || NOTE="$NOTE; visitor read '$got'"
  row "$name" "$((${#text} + 1))" "$n" "$NOTE"
}

: >"$DEMO/control"
start_demo_service --control "$DEMO/control" || exit 1
write_demo_config
cat >>"$DEMO/config/Quelvar/Quelvar.conf" <<EOF
ui.minimizeToTray=true
ui.minimizeToTray.confirmation=false
application.newmsg.bringwndtotop=true
EOF
# A tray for the frame to hide in.
trayer --edge bottom --align right --widthtype request >/dev/null 2>&1 &
TRAY_PID=$!
sleep 1
start_demo_program
press_sign_in
online || { say "the demo agent did not get online"; exit 1; }
say "online under $WM"

# The road: take Bob's chat. The site is quiet but for what the control
# file asks.
# Alice browses (row 1), for the colleague to offer her chat later.
control "arrive v-101 Alice"
control "arrive v-102 Bob"
sleep 1
control "ask v-102"
wait_for_line "v-102 asks for a chat" 60 "$DEMO/service.log" || { say "Bob did not ask"; exit 1; }
click_frame 320 67
sleep 3
for ((i = 0; i < 3; i++)); do
  click_frame 320 67 2
  if wait_for_line "v-102 chat accepted" 5 "$DEMO/service.log"; then break; fi
done
wait_for_line "v-102 chat accepted" 1 "$DEMO/service.log" || { say "Bob's chat was not taken"; exit 1; }
control "say v-102 Hello, my lamp has not arrived."
wait_for_line "v-102 wrote" 20 "$DEMO/service.log"
click_input
line_to_bob road "Hello Bob, I am sorry to hear that. Let me look for your order right away." \
  1 "colleague Hi, are you busy? There are a lot of visitors today." \
  1.5 "colleague Could you take the next caller? I am going for lunch."
COLLEAGUE=$(colleague_window)
if [ -n "$COLLEAGUE" ]; then
  row "road (colleague window)" - - "opened by the first line, $(flashing "$COLLEAGUE")"
else
  row "road (colleague window)" - - "none opened"
fi

# 1: boxes that come by themselves while the agent types to Bob.
before=$(log_lines)
line_to_bob "1 transfer request" "Yes, your lamp left our store yesterday, you should have it soon." \
  1.2 "offer v-101 Please take Alice, I am going for lunch."
if tail -n +"$((before + 1))" "$DEMO/service.log" | grep -q "v-101 was \(taken\|not taken\) by the agent"; then
  NOTE="the transfer request was answered: $(grep -o 'v-101 was [a-z ]* by the agent' "$DEMO/service.log" | tail -n 1)"
else
  NOTE="the transfer request stays unanswered"
fi
row "1 transfer request (answer)" - - "$NOTE"
line_to_bob "1 transfer decline" "Now a few questions about the address you gave us, please." \
  1.2 "decline v-102"

# 2: the colleague's window; the agent clicks its title and answers.
COLLEAGUE=$(colleague_window)
if [ -n "$COLLEAGUE" ]; then
  click_title "$COLLEAGUE"
  before=$(log_lines)
  text="ok thanks, I am quite busy. I have Bob on the line about a late lamp."
  xdotool type --delay 120 -- "$text"
  xdotool key Return
  got=$(read_after colleague "$before") || got=""
  n=$(kept "$text" "$got"); [ -n "$got" ] && n=$((n + 1))
  NOTE="colleague window $( [ -n "$(colleague_window)" ] && echo open || echo closed); focus on '$(focus_name)'"
  [ "$got" = "$text" ] || NOTE="$NOTE; colleague read '$got'; visitor read '$(tail -n +"$((before + 1))" "$DEMO/service.log" | sed -n 's/^demo: visitor v-102 read: //p')'"
  row "2 colleague window" "$((${#text} + 1))" "$n" "$NOTE"
  shot colleague
else
  row "2 colleague window" - - "no colleague window opened"
fi

# Undelivered: Bob's room keeps its receipts; the box comes 10 s after
# Enter, while the agent types to the colleague (the chat window is locked
# while it waits, as it should be).
click_input
control receipts v-102 off
before=$(log_lines)
xdotool type --delay 60 -- "Are you there?"
xdotool key Return
sent=$(date +%s.%N)
read_after v-102 "$before" >/dev/null
COLLEAGUE=$(colleague_window)
boxes_before=$(others | wc -l)
click_title "$COLLEAGUE"
before=$(log_lines)
text="I can see the order here and the parcel number is right, so there is no change to make."
xdotool type --delay 300 -- "$text" &
typing=$!
for ((i = 0; i < 150; i++)); do
  [ "$(others | wc -l)" -gt "$boxes_before" ] && break
  sleep 0.1
done
say "the box came $(echo "$(date +%s.%N) - $sent" | bc) s after Enter; typing $(kill -0 $typing 2>/dev/null && echo went on || echo had ended)"
wait $typing
xdotool key Return
got=$(read_after colleague "$before") || got=""
n=$(kept "$text" "$got"); [ -n "$got" ] && n=$((n + 1))
NOTE="windows of the program besides the frame: $boxes_before -> $(others | wc -l); focus on '$(focus_name)'"
[ "$got" = "$text" ] || NOTE="$NOTE; colleague read '$got'"
row "1 not delivered (typing to the colleague)" "$((${#text} + 1))" "$n" "$NOTE"
shot undelivered
control receipts v-102 on
others >&2

# Clears the boxes as the agent would: turns to each and presses its default.
for id in $(others | grep -v colleague | cut -d' ' -f1); do
  turn_to "$id"
  [ "$(xdotool getwindowfocus 2>/dev/null)" = "$id" ] && xdotool key Escape
  sleep 0.5
done
say "left after the boxes: $(others | tr '\n' ';')"
# The undelivered line went back into Bob's input: the agent sends it again.
turn_to "$(program_window frame)"
click_input
xdotool key End Return
sleep 1

# An upload that fails a few seconds after the agent sent the file and
# turned back to typing.
control uploads off 3
echo "the receipt" >"$DEMO/receipt.txt"
boxes_before=$(others | wc -l)
click_frame "$SEND_FILE_X" "$SEND_FILE_Y"
sleep 2

if [ "$(others | wc -l)" -gt "$boxes_before" ]; then
  xdotool type --delay 40 -- "$DEMO/receipt.txt"
  xdotool key Return
  sleep 0.5
  click_input
  line_to_bob "1 upload failure" "While the file is on its way: the lamp is in the parcel with the receipt."
  others >&2
else
  row "1 upload failure" - - "no file dialog opened"
fi
for id in $(others | grep -v colleague | cut -d' ' -f1); do
  turn_to "$id"
  [ "$(xdotool getwindowfocus 2>/dev/null)" = "$id" ] && xdotool key Escape
done
control uploads on

# 3: another program's window; the frame comes back by an alert.
python3 "$HERE/focus/pad.py" "$DEMO/pad.txt" &
PAD_PID=$!
sleep 2
PAD=$(xdotool search --onlyvisible --name '^Scratch pad$' | head -n 1)
pad_case() {
  local name=$1 text="every letter of this line reaches the window it is typed in"
  click_title "$PAD"
  xdotool key Escape
  : >"$DEMO/pad.txt"
  sleep 0.5
  type_while "$text" 120 1.2 "say v-102 Are you still there?"
  sleep 0.5
  local got; got=$(cat "$DEMO/pad.txt")
  local px py pw ph WINDOW
  read -r px py pw ph < <(geometry "$PAD")
  eval "$(xdotool mousemove "$((px + pw / 2))" "$((py + ph / 2))" getmouselocation --shell)"
  local over="the pad"
  if [ "$WINDOW" != "$PAD" ] && ! xwininfo -children -id "$PAD" | grep -q "$(printf '0x%x' "$WINDOW")"; then
    over="$(xdotool getwindowname "$WINDOW" 2>/dev/null) ($(geometry "$WINDOW"))"
  fi
  shot "${name//[^a-z]/}"
  NOTE="frame $(frame_state); focus on '$(focus_name)'; the pointer over the pad is over $over"
  [ "$got" = "$text" ] || NOTE="$NOTE; the pad got '$got'"
  row "$name" "${#text}" "$(kept "$text" "$got")" "$NOTE"
}
FRAME=$(program_window frame)
# The agent closes the frame: it goes into the tray.
if [ "$WM" = openbox ]; then
  turn_to "$FRAME"; xdotool key alt+F4
else
  python3 "$HERE/focus/xclose.py" "$FRAME"
fi
sleep 1.5
say "frame after close: $(frame_state)"
pad_case "3 alert, frame in the tray"
if [ "$WM" = openbox ]; then
  for ((i = 0; i < 30; i++)); do FRAME=$(program_window frame) && break; sleep 0.1; done
  xdotool windowminimize --sync "$FRAME"
  sleep 1.5
  say "frame after minimise: $(frame_state)"
  pad_case "3 alert, frame minimised"
fi

# Back to the frame (the alert brought it back) and Bob's chat, for the
# colleague's lines.
FRAME=$(program_window frame)
[ -n "$FRAME" ] || { say "the frame did not come back"; exit 1; }
turn_to "$FRAME"
COLLEAGUE=$(colleague_window)
if [ -n "$COLLEAGUE" ] && [ "$WM" = openbox ]; then
  xdotool windowminimize --sync "$COLLEAGUE"
  sleep 1
  turn_to "$FRAME"
  click_input
  line_to_bob "3 colleague line, its window minimised" \
    "Let me check the delivery address and every letter of it for you now." \
    1.2 "colleague Thanks, I am back."
  COLLEAGUE=$(xdotool search --pid "$OSTREL_PID" --name colleague | head -n 1)
  row "3 colleague line (its window)" - - "$(mapped "$COLLEAGUE" && echo shown || echo "stays minimised"), $(flashing "$COLLEAGUE")"
  # Brought back by the agent, for the next case.
  turn_to "$COLLEAGUE"
fi
COLLEAGUE=$(colleague_window)
if [ -n "$COLLEAGUE" ]; then
  # The colleague's window sits under the frame, over the frame's buttons.
  read -r fx fy _ _ < <(geometry "$FRAME")
  xdotool windowmove "$COLLEAGUE" "$((fx + 200))" "$((fy + 150))"
  xdotool windowraise "$FRAME"
  turn_to "$FRAME"
  click_input
  line_to_bob "3 colleague line, its window under the frame" \
    "The parcel is with the carrier now and every letter of the address is right." \
    1.2 "colleague Thanks, I am back."
  eval "$(xdotool mousemove "$((fx + TRANSFER_X))" "$((fy + TRANSFER_Y))" getmouselocation --shell)"
  [ "$WINDOW" = "$COLLEAGUE" ] && under="the colleague's window" || under="the frame"
  shot under
  row "3 colleague line (pointer)" - - "over the Transfer button after the line: $under"
fi
say "done"
