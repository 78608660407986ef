#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test (GUI tests inside Xvfb).
# Usage: scripts/test.sh [build-dir] [extra cmake arguments...]
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
shift || true
scripts/deps.sh
cmake -S . -B "$build" -G Ninja "$@"
cmake --build "$build"
# A private X server for the GUI tests, whatever display the caller has.
xvfb-run -a -s "-screen 0 1280x1024x24" \
    ctest --test-dir "$build" --output-on-failure --timeout 300 -j "$(nproc)"
