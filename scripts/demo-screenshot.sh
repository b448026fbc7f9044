#!/usr/bin/env bash
# Runs the demo on a virtual screen and saves a picture of the signed-in
# main frame: docs/demo-signed-in.png, or the file given.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
OUT=${1:-docs/demo-signed-in.png}
xvfb-run -a -s "-screen 0 1280x800x24" bash scripts/run-demo.sh --screenshot "$OUT"
