#!/usr/bin/env bash
# Builds the core in WebAssembly with Debian's emscripten (cmake --preset browser, in
# build-browser) and runs its tests under Node, on this machine's files.
# Usage: scripts/browser-test.sh
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh --browser
cmake --preset browser
cmake --build --preset browser -j "$(nproc)"
ctest --preset browser -j "$(nproc)"
