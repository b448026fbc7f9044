#!/usr/bin/env bash
# Takes a picture of a new-caller alert over the main frame on a virtual
# screen: docs/alert-popup.png.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
BUILD_DIR=${BUILD_DIR:-build}
cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$BUILD_DIR" --target test_host_alerts -j"$(nproc)"
mkdir -p docs
OSTREL_SCREENSHOT_DIR=$(realpath docs) QT_QPA_PLATFORM=xcb \
  xvfb-run -a -s "-screen 0 1024x640x24" \
  "$BUILD_DIR/tests/bin/test_host_alerts" --gtest_filter='Alerts.PictureOfAnAlertOverTheFrame'
echo "Screenshot saved to docs/alert-popup.png"
