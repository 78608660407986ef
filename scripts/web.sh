#!/usr/bin/env bash
# Builds the browser edition (module and page, in build-browser/web) and serves it on
# http://localhost:8340; with --screenshot [FILE], or with no display, it instead reads the page's
# simulated gyro in headless Chromium and saves a picture (by default docs/web-page.png).
# Usage: scripts/web.sh [--port N] [--screenshot [FILE]]
set -euo pipefail
cd "$(dirname "$0")/.."

default_picture=docs/web-page.png
port=8340
picture=""
while [ $# -gt 0 ]; do
    case "$1" in
    --screenshot)
        if [ $# -gt 1 ] && [[ "$2" != -* ]]; then
            picture="$2"
            shift
        else
            picture="$default_picture"
        fi
        ;;
    --screenshot=*) picture="${1#--screenshot=}" ;;
    --port)
        [ $# -gt 1 ] || { echo "scripts/web.sh: --port needs a number" >&2; exit 2; }
        port="$2"
        shift
        ;;
    -h | --help)
        sed -n '2,5s/^# \{0,1\}//p' "$0"
        exit 0
        ;;
    *)
        echo "scripts/web.sh: unknown argument $1 (see --help)" >&2
        exit 2
        ;;
    esac
    shift
done
if [ -z "$picture" ] && [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display: reading the page's simulated gyro in headless Chromium for a picture instead."
    picture="$default_picture"
fi

scripts/deps.sh --browser
cmake --preset browser
cmake --build --preset browser --target vn340-web

if [ -z "$picture" ]; then
    echo "Open the address below in Chrome, Edge or Opera (Web Serial); Ctrl+C stops the server."
    exec node web/serve.mjs --port "$port" build-browser/web
fi

chromium="${VN340_CHROMIUM:-/usr/bin/chromium}"
if [ ! -x "$chromium" ]; then
    echo "scripts/web.sh: the picture needs Chromium at $chromium (Debian's package chromium)" >&2
    exit 1
fi
if [ ! -d tests/page/node_modules/playwright-core ]; then
    command -v npm >/dev/null || { echo "scripts/web.sh: npm is needed to install playwright-core" >&2; exit 1; }
    (cd tests/page && npm ci --no-audit --no-fund)
fi

# The server in the background on a free port; its first line is its address.
work=$(mktemp -d)
server=""
cleanup() {
    if [ -n "$server" ]; then
        kill "$server" 2>/dev/null || true
        wait "$server" 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT
node web/serve.mjs --port 0 build-browser/web >"$work/address" &
server=$!
for _ in $(seq 100); do
    [ -s "$work/address" ] && break
    kill -0 "$server" 2>/dev/null || { echo "scripts/web.sh: the server did not start" >&2; exit 1; }
    sleep 0.1
done
address=$(head -n 1 "$work/address")
[ -n "$address" ] || { echo "scripts/web.sh: the server gave no address" >&2; exit 1; }
echo "Serving build-browser/web on $address for the picture"
VN340_CHROMIUM="$chromium" node tests/page/screenshot.mjs "$address" "$picture"
