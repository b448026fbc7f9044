#!/usr/bin/env bash
# Installs what is needed, builds everything and runs the tests.
# Usage: scripts/test.sh [ctest arguments, e.g. -L unit]
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
BUILD_DIR=${BUILD_DIR:-build}
cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$BUILD_DIR" -j"$(nproc)"
cd "$BUILD_DIR"
ctest -j"$(nproc)" --output-on-failure "$@"
