#!/usr/bin/env bash
# Runs the demo on a virtual screen and saves pictures of it:
#   scripts/demo-screenshot.sh          docs/demo-signed-in.png (the signed-in
#                                       main frame), docs/demo-visitor-chat.png
#                                       (the agent chatting with the demo
#                                       visitor) and docs/demo-site-path.png
#                                       (the visitor's Site Path tab)
#   scripts/demo-screenshot.sh FILE     the signed-in main frame alone, to FILE
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
if [ $# -gt 0 ]; then
  SHOTS=(--screenshot "$1")
else
  SHOTS=(--screenshot docs/demo-signed-in.png --visitor-chat docs/demo-visitor-chat.png
         --site-path docs/demo-site-path.png)
fi
xvfb-run -a -s "-screen 0 1280x800x24" bash scripts/run-demo.sh "${SHOTS[@]}"
