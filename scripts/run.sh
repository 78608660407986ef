#!/usr/bin/env bash
# Installs what is missing, builds the program and opens its window, with the simulated gyro
# as its USB adapter: the simulated D2XX library stands in for the vendor's, and on a first
# start "USB" is the chosen port, so "Read from gyro" works at once without a gyro. (The
# program installed for real loads the vendor's libftd2xx.so by name.)
# Without a display ($DISPLAY and $WAYLAND_DISPLAY both empty) the window opens in a virtual X
# server instead; the program reads the simulated gyro, saves a picture of the window showing
# its values and "Read complete", closes, and this script prints the picture's path
# (out/screenshot.png, or $VN340_SCREENSHOT when set).
# Usage: scripts/run.sh [build-dir]
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"

scripts/deps.sh
cmake -S . -B "$build" -G Ninja
cmake --build "$build" --target vn340-config ftd2xx_sim
program="$build/src/app/vn340-config"
export VN340_D2XX_LIBRARY="$(cd "$build/d2xx" && pwd)/libftd2xx.so"

# A first start chooses the simulated adapter; a preferences file that exists is the pilot's.
preferences="$(dirname "$program")/TarvelRCGyro.ini"
if [ ! -e "$preferences" ]; then
    printf '[Settings]\r\nLAST DIRECTORY=%s\r\nCOM PORT=USB\r\nDATE=0\r\nWARNING=0\r\n' \
        "$(cd "$(dirname "$program")" && pwd)" >"$preferences"
fi

# Reads and stores of the simulated gyro are kept in a history of this build's own, so the
# pilot's real history never holds snapshots of a gyro that does not exist.
export XDG_DATA_HOME
XDG_DATA_HOME="$(cd "$build" && pwd)/run-data"

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
    exec "$program"
fi

screenshot="${VN340_SCREENSHOT:-$PWD/out/screenshot.png}"
mkdir -p "$(dirname "$screenshot")"
rm -f "$screenshot"
echo "No display: running the window in Xvfb, reading the simulated gyro, taking a screenshot."
# The program itself presses "Read from gyro" after its first paint, waits for "Read complete",
# saves the picture and prints its path.
VN340_SCREENSHOT="$screenshot" VN340_READ_BEFORE_SCREENSHOT=1 \
    xvfb-run -a -s "-screen 0 1280x1024x24" "$program"
[ -s "$screenshot" ] || { echo "No screenshot was saved." >&2; exit 1; }

echo "Screenshot saved: $screenshot"
