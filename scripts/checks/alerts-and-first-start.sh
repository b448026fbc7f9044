#!/usr/bin/env bash
# Twelve alerts at once never overlap; the first start's frame on the screen.
# Usage: OUT=folder scripts/checks/alerts-and-first-start.sh (needs $DISPLAY and xdotool)
OUT=${OUT:?set OUT to a folder for the pictures and logs}
source "$(dirname "$0")/lib.sh"
EXTRA_CONF="application.newmsg.notifywhenactive=true"
begin
# Mapped top-level windows the size of an alert: "id WxH+X+Y". Alerts close
# by themselves after a few seconds: read them before anything slower.
alert_windows() {
  xwininfo -root -children | awk '/^ +0x/ {print $1}' | while read -r id; do
    xwininfo -id "$id" 2>/dev/null | awk -v id="$id" '/Absolute upper-left X/{x=$4} /Absolute upper-left Y/{y=$4} /Width:/{w=$2} /Height:/{h=$2} /Map State/{m=$3} END{if (m=="IsViewable" && w>=250 && w<=320 && h>=70 && h<=110) print id, w "x" h "+" x "+" y}'
  done
}
f=$(frame)
echo "frame: $(xdotool getwindowgeometry "$f" | tr '\n' ' ')"
shotroot s0-first-start
# a: twelve visitors come at once, then they all ask.
for i in $(seq 1 12); do echo "arrive a-$i Visitor Number $i" >>"$CONTROL"; done
for i in $(seq 1 12); do echo "ask a-$i" >>"$CONTROL"; done
svc "control ask a-12" 10
sleep 1
for i in $(seq 1 12); do echo "say a-$i Is anyone there? ($i)" >>"$CONTROL"; done
svc "control say a-12" 10
sleep 1
alert_windows > "$OUT/alerts.txt"
shotroot a1-twelve-alerts 0
cat "$OUT/alerts.txt"
python3 - "$OUT/alerts.txt" <<'PY'
import re,sys
rects=[]
for line in open(sys.argv[1]):
    m=re.match(r'(\S+) (\d+)x(\d+)\+(-?\d+)\+(-?\d+)',line)
    if m: i=m.group(1); w,h,x,y=map(int,m.groups()[1:]); rects.append((i,x,y,w,h))
over=[(a[0],b[0]) for k,a in enumerate(rects) for b in rects[k+1:]
      if a[1]<b[1]+b[3] and b[1]<a[1]+a[3] and a[2]<b[2]+b[4] and b[2]<a[2]+a[4]]
print("windows", len(rects), "overlapping pairs", len(over))
PY
sleep 6
alert_windows > "$OUT/alerts-later.txt"; echo "later: $(wc -l < "$OUT/alerts-later.txt")"
shotroot a2-later
