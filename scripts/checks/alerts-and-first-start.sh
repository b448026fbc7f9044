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
# Twice, a moment apart: an alert still sliding up to its place crosses the
# ones below it; only the places the alerts have come to rest in count.
alert_windows > "$OUT/alerts.txt"
sleep 0.4
alert_windows > "$OUT/alerts-again.txt"
shotroot a1-twelve-alerts 0
cat "$OUT/alerts.txt"
python3 - "$OUT/alerts.txt" "$OUT/alerts-again.txt" <<'PY'
import re, sys
def read(name):
    rects = set()
    for line in open(name):
        m = re.match(r'(\S+) (\d+)x(\d+)\+(-?\d+)\+(-?\d+)', line)
        if m:
            w, h, x, y = map(int, m.groups()[1:])
            rects.add((m.group(1), x, y, w, h))
    return rects
first, again = read(sys.argv[1]), read(sys.argv[2])
rest = sorted(first & again)
over = [(a[0], b[0]) for k, a in enumerate(rest) for b in rest[k + 1:]
        if a[1] < b[1] + b[3] and b[1] < a[1] + a[3] and a[2] < b[2] + b[4] and b[2] < a[2] + a[4]]
print("windows", len(first), "at rest", len(rest), "overlapping pairs at rest", len(over))
PY
sleep 6
alert_windows > "$OUT/alerts-later.txt"; echo "later: $(wc -l < "$OUT/alerts-later.txt")"
shotroot a2-later
