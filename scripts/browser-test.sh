#!/usr/bin/env bash
# Builds the core and the page's module in WebAssembly with Debian's emscripten (cmake --preset
# browser, in build-browser), runs the core's tests under Node, then drives the page in Debian's
# Chromium with playwright-core (pinned in tests/page/package-lock.json): against the simulator
# in the module, and through a fake Web Serial port against vn340-sim ($VN340_SIM, by default
# the one the desktop build in build/ made).
# Usage: scripts/browser-test.sh
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh --browser
cmake --preset browser
cmake --build --preset browser -j "$(nproc)"
ctest --preset browser -j "$(nproc)"

export VN340_SIM="${VN340_SIM:-$PWD/build/tools/sim/vn340-sim}"
if [ ! -x "$VN340_SIM" ]; then
    cmake -S . -B build -G Ninja
    cmake --build build --target vn340-sim vn340-cli
fi
npm ci --prefix tests/page --no-audit --no-fund --loglevel=error
# One line at the end, as ctest's, for CI's count.
node --test --test-reporter=tap tests/page/ | tee build-browser/page-tests.tap
