#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test (GUI tests inside Xvfb).
# The core is also built in WebAssembly and its tests run under Node (scripts/browser-test.sh),
# unless VN_BROWSER_TESTS=0.
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
if [ "${VN_BROWSER_TESTS:-1}" != 0 ]; then
    scripts/browser-test.sh
fi
