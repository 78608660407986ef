#!/usr/bin/env bash
# Installs what is missing, builds the program and opens its window.
# Without a display ($DISPLAY and $WAYLAND_DISPLAY both empty) the window opens in a virtual X
# server instead; the program saves a picture of it once it is painted, closes, and this script
# prints the picture's path (out/screenshot.png, or $VN340_SCREENSHOT when set).
# Usage: scripts/run.sh [build-dir]
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"

scripts/deps.sh
cmake -S . -B "$build" -G Ninja
cmake --build "$build" --target vn340-config
program="$build/src/app/vn340-config"

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
    exec "$program"
fi

screenshot="${VN340_SCREENSHOT:-$PWD/out/screenshot.png}"
mkdir -p "$(dirname "$screenshot")"
rm -f "$screenshot"
echo "No display: running the window in Xvfb to take a screenshot."
# The program itself waits for its first paint, saves the picture and prints its path.
VN340_SCREENSHOT="$screenshot" xvfb-run -a -s "-screen 0 1280x1024x24" "$program"
[ -s "$screenshot" ] || { echo "No screenshot was saved." >&2; exit 1; }
echo "Screenshot saved: $screenshot"
