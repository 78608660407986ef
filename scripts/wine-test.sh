#!/usr/bin/env bash
# Builds the core and vn340-cli for Windows with MinGW-w64 and runs every test program under
# Wine, each suite with its counts, then vn340-cli.exe's own checks; fails when any test fails. Wine's prefix, its home and its caches all live in
# the build folder, so nothing is written outside it.
#
# The serial port's tests reach the Linux gyro simulator (vn340-sim) through a COM port: the
# simulator runs on a pseudo-terminal, and the prefix's registry maps COM5 to it. The simulator
# is built natively in the build folder, unless VN340_SIM names one built already.
# Usage: scripts/wine-test.sh [build-dir] [extra cmake arguments...]
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build-windows}"
shift || true
scripts/deps.sh --windows
cmake -S . -B "$build" -G Ninja --toolchain cmake/mingw-w64.cmake -DVN_GUI=OFF -DVN_BENCH=OFF "$@"
CMAKE_BUILD_PARALLEL_LEVEL="${CMAKE_BUILD_PARALLEL_LEVEL:-$(nproc)}" cmake --build "$build"

wine=/usr/lib/wine/wine64
[ -x "$wine" ] || wine=$(command -v wine64)
root=$(realpath "$build")
mkdir -p "$root/wine-home" "$root/wine-prefix"
wine_env=(
    # No window is shown: the tests need no display.
    env -u DISPLAY -u WAYLAND_DISPLAY
    "HOME=$root/wine-home" "XDG_CONFIG_HOME=$root/wine-home/.config"
    "XDG_DATA_HOME=$root/wine-home/.local/share" "XDG_CACHE_HOME=$root/wine-home/.cache"
    "WINEPREFIX=$root/wine-prefix" WINEARCH=win64 WINEDEBUG=-all
    # Neither .NET nor a browser engine (whose installers would ask), nor menu entries.
    "WINEDLLOVERRIDES=mscoree=;mshtml=;winemenubuilder.exe=d"
)
# One Wine server for all the programs instead of one started for each, and nothing of Wine's
# left running after the script, however it ends.
wineserver="${wine%/*}/wineserver"
[ -x "$wineserver" ] || wineserver=$(command -v wineserver)
logs="$root/wine-logs"
mkdir -p "$logs"
sim_pids=()
stop_all() {
    [ "${#sim_pids[@]}" -eq 0 ] || kill "${sim_pids[@]}" 2>/dev/null || true
    "${wine_env[@]}" "$wineserver" -k >/dev/null 2>&1 || true
}
trap stop_all EXIT
# The server's own messages (it lists its objects as it ends) go to a log.
"${wine_env[@]}" "$wineserver" -p 2>>"$logs/wineserver.log"
if [ ! -f "$root/wine-prefix/system.reg" ]; then
    echo "== a Wine prefix in $root/wine-prefix"
    "${wine_env[@]}" "$wine" wineboot --init >/dev/null 2>&1
fi

# The simulator, built natively.
sim="${VN340_SIM:-}"
if [ -z "$sim" ]; then
    native="$root/native-sim"
    if ! { cmake -S . -B "$native" -G Ninja -DVN_GUI=OFF -DVN_TESTS=OFF -DVN_BENCH=OFF &&
        cmake --build "$native" --target vn340-sim; } >"$logs/native-sim.log" 2>&1; then
        cat "$logs/native-sim.log"
        exit 1
    fi
    sim="$native/tools/sim/vn340-sim"
fi
# Starts vn340-sim with the options after the first two arguments on a pseudo-terminal, and maps
# the COM port $1 to it, the simulator's messages going to the log $2.
sim_on_com() {
    local port=$1 log=$2 pty fd
    shift 2
    exec {fd}< <(exec "$sim" "$@" 2>"$logs/$log")
    sim_pids+=($!)
    read -r -t 10 pty <&"$fd" || { echo "vn340-sim did not start for $port"; exit 1; }
    # Wine maps its COM ports when its server starts: the new mapping needs a fresh one.
    "${wine_env[@]}" "$wine" reg add 'HKLM\Software\Wine\Ports' /v "$port" /d "$pty" /f \
        >/dev/null 2>&1
    "${wine_env[@]}" "$wineserver" -k >/dev/null 2>&1 || true
    "${wine_env[@]}" "$wineserver" -w
    "${wine_env[@]}" "$wineserver" -p 2>>"$logs/wineserver.log"
    echo "== $port is vn340-sim $* on $pty"
}
# The gyro on COM5 has some words of its memory not the factory's, so that a read shows them.
sim_options="--set 0x0104=150 --set 0x0106=60 --set 0x000A=0x1234 --set 0x000C=0x0002"
# shellcheck disable=SC2086 # the options are words
sim_on_com COM5 vn340-sim.log $sim_options
# For the command line's checks: a gyro whose high endpoint keeps its old word whatever is stored.
sim_on_com COM6 vn340-sim-worn.log --stuck 0x0100
wine_env+=(VN340_TEST_PORT=COM5 "VN340_TEST_SIM_OPTIONS=$sim_options")

failed=()
total=0
while IFS= read -r program; do
    suite=$(basename "$program" .exe)
    status=0
    # A program that hangs counts as failed rather than holding the build.
    timeout 300 "${wine_env[@]}" "$wine" "$program" >"$logs/$suite.log" 2>&1 || status=$?
    passed=$(sed -n 's/^\[  PASSED  \] \([0-9]*\) tests\?\..*/\1/p' "$logs/$suite.log")
    failing=$(sed -n 's/^\[  FAILED  \] \([0-9]*\) tests\?, listed below:.*/\1/p' "$logs/$suite.log")
    printf '%-32s %4s passed %4s failed\n' "$suite" "${passed:-0}" "${failing:-0}"
    total=$((total + ${passed:-0}))
    if [ "$status" -ne 0 ] || [ -z "$passed" ] || [ -n "$failing" ]; then
        failed+=("$suite")
        cat "$logs/$suite.log"
    fi
done < <(find "$build" -name '*_test.exe' -type f | sort)

# The command line as a pilot on Windows runs it.
# shellcheck source=scripts/wine-cli-checks.sh
source scripts/wine-cli-checks.sh
total=$((total + cli_passed))
failed+=("${cli_failed[@]}")

echo "== $total tests passed under Wine"
if [ "${#failed[@]}" -gt 0 ]; then
    echo "Failed under Wine: ${failed[*]}"
    exit 1
fi
