#!/usr/bin/env bash
# Makes the host's alert sounds and tray pictures, which are our own: the
# results are committed, so the build does not need this script. Needs
# python3 and ImageMagick.
set -euo pipefail
cd "$(dirname "$0")/.."

python3 - <<'PY'
import math, struct, wave

RATE = 22050

def tone(parts, path):
    # parts: (frequency in Hz, seconds, start volume, end volume) in order.
    samples = []
    for freq, seconds, v0, v1 in parts:
        n = int(RATE * seconds)
        for i in range(n):
            t = i / RATE
            volume = v0 + (v1 - v0) * i / n
            # A short fade at both ends keeps the speaker from clicking.
            edge = min(1.0, i / 200, (n - i) / 200)
            value = volume * edge * (math.sin(2 * math.pi * freq * t) + 0.3 * math.sin(4 * math.pi * freq * t)) / 1.3
            samples.append(int(value * 32767 * 0.6))
    with wave.open(path, "wb") as out:
        out.setnchannels(1)
        out.setsampwidth(2)
        out.setframerate(RATE)
        out.writeframes(b"".join(struct.pack("<h", s) for s in samples))

tone([(880, 0.15, 1, 0.8), (660, 0.15, 0.8, 0.6), (880, 0.15, 1, 0.8), (660, 0.2, 0.8, 0)], "host/sounds/newcall.wav")
tone([(1047, 0.3, 1, 0)], "host/sounds/newmsg.wav")
tone([(523, 0.12, 0.8, 0.7), (659, 0.12, 0.8, 0.7), (784, 0.25, 0.9, 0)], "host/sounds/newvisitor.wav")
PY

# The tray icon's frames in one strip, each as wide as the strip is high:
# the application's ring, then the ring lighting up while it flashes.
frame() {
  convert -size 32x32 xc:none -fill '#1d3557' -draw 'roundrectangle 0,0 31,31 6,6' \
    -fill "$1" -draw 'circle 16,16 16,5' -fill '#1d3557' -draw 'circle 16,16 16,10' \
    -fill "$2" -draw 'circle 16,16 16,11' "$3"
}
tmp=$(mktemp -d)
frame white '#2a9d8f' "$tmp/0.png"
frame '#ffd166' '#2a9d8f' "$tmp/1.png"
frame '#f4a261' '#e9c46a' "$tmp/2.png"
frame '#ffd166' '#2a9d8f' "$tmp/3.png"
convert "$tmp/0.png" "$tmp/1.png" "$tmp/2.png" "$tmp/3.png" +append -strip host/res/tray.png

# The notice's picture: the corner of a panel with the clock and our icon.
FONT=/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf
convert -size 220x56 xc:'#f0f0f0' -fill '#2b2d42' -draw 'rectangle 0,14 219,55' \
  -fill '#8d99ae' -draw 'rectangle 120,18 160,51' \
  "$tmp/0.png" -geometry +124+19 -composite \
  -font "$FONT" -pointsize 14 -fill white -annotate +170+40 '12:30' \
  -stroke '#e76f51' -strokewidth 2 -fill none -draw 'circle 140,35 140,12' -strip host/res/traynotice.png
rm -rf "$tmp"
