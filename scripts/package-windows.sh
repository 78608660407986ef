#!/usr/bin/env bash
# Makes vn340-cli-<version>-windows-x64.zip for pilots on Windows: the program, any MinGW
# runtime library it needs (none while it is linked statically; each one it would need is looked
# for in the cross compiler's folders, and a missing one stops the script) and a README.txt in
# Windows' terms, with Windows' line ends. Prints the zip's path last.
# With --check, the zipped program is then run under Wine in a prefix of its own, made afresh,
# as on a Windows machine that has never seen it: --help and ports.
# Usage: scripts/package-windows.sh [build-dir] [--check]
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build-windows}"
check="${2:-}"
prefix=x86_64-w64-mingw32
scripts/deps.sh --windows
cmake -S . -B "$build" -G Ninja --toolchain cmake/mingw-w64.cmake -DVN_GUI=OFF -DVN_BENCH=OFF \
    >/dev/null
CMAKE_BUILD_PARALLEL_LEVEL="${CMAKE_BUILD_PARALLEL_LEVEL:-$(nproc)}" \
    cmake --build "$build" --target vn340-cli >/dev/null
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
name="vn340-cli-$version-windows-x64"
root=$(realpath "$build")
stage="$root/package-windows/$name"
rm -rf "$root/package-windows"
mkdir -p "$stage"
"$prefix-strip" -o "$stage/vn340-cli.exe" "$root/src/app/vn340-cli.exe"

# The libraries Windows itself has are not shipped; any other one the program names is.
system_dll='^(kernel32|user32|advapi32|shell32|ole32|oleaut32|setupapi|ws2_32|msvcrt|ucrtbase|ntdll|api-ms-win-.*)\.dll$'
needed() { "$prefix-objdump" -p "$1" | sed -n 's/^\s*DLL Name: //p'; }
shipped=()
queue=("$stage/vn340-cli.exe")
while [ "${#queue[@]}" -gt 0 ]; do
    binary=${queue[0]}
    queue=("${queue[@]:1}")
    while IFS= read -r dll; do
        lower=${dll,,}
        [[ "$lower" =~ $system_dll ]] && continue
        [[ " ${shipped[*]} " == *" $lower "* ]] && continue
        found=$(find /usr/lib/gcc/$prefix /usr/$prefix -iname "$dll" -print -quit 2>/dev/null)
        [ -n "$found" ] || { echo "$dll, which vn340-cli.exe needs, is nowhere to be found" >&2; exit 1; }
        cp "$found" "$stage/"
        shipped+=("$lower")
        queue+=("$stage/$(basename "$found")")
    done < <(needed "$binary")
done

sed 's/$/\r/' >"$stage/README.txt" <<TEXT
vn340-cli $version for Windows (64-bit)
=======================================

The Tarvel RC vn340 tail-rotor gyro from the command line, through the Vexa-Plug adapter.
Unzip this folder anywhere (for example into C:\\Tools\\vn340-cli) and open a Command Prompt
or PowerShell there. Nothing is installed.

  vn340-cli --help                      every command, its options and exit statuses
  vn340-cli ports                       the ports: "USB" and COM1, COM5, ...
  vn340-cli --port COM5 read            the gyro's settings, one per line
  vn340-cli --port COM5 read -o heli.tsf
                                        save them as a settings file
  vn340-cli --port USB diff heli.tsf    what differs between the gyro and a file
  vn340-cli --port USB store heli.tsf --yes
                                        store a file, then read it back to check it
  vn340-cli --port COM5 monitor --csv   the live signals, until Ctrl+C

The port: "USB" is the Vexa-Plug through the FTDI D2XX driver (ftd2xx.dll, which the
driver from FTDI installs into Windows); COM5 and the like are serial ports, as Device
Manager lists them under "Ports (COM & LPT)". Ports past COM9 may be written \\\\.\\COM12.

Store only with the model on the bench: land, idle the engine and stop the rotor first.

Preferences are kept beside vn340-cli.exe when that folder can be written, else in
%APPDATA%\\tarvelrc\\TarvelRCGyro.ini; every read and store is kept in
%APPDATA%\\tarvelrc\\history, by the gyro's serial number ("vn340-cli history" lists them).
TEXT

zip="$root/$name.zip"
rm -f "$zip"
(cd "$root/package-windows" && zip -q -X -r "$zip" "$name")
echo "== $name.zip, $(stat -c %s "$zip") bytes; runtime libraries: ${shipped[*]:-none needed}"
unzip -l "$zip"
for file in vn340-cli.exe README.txt; do
    unzip -l "$zip" "$name/$file" >/dev/null || { echo "the zip holds no $file" >&2; exit 1; }
done

if [ "$check" = "--check" ]; then
    echo "== the zipped program under Wine, in a prefix made afresh"
    fresh="$root/package-windows/check"
    mkdir -p "$fresh/home"
    unzip -q "$zip" -d "$fresh"
    wine=/usr/lib/wine/wine64
    [ -x "$wine" ] || wine=$(command -v wine64)
    wine_env=(env -u DISPLAY -u WAYLAND_DISPLAY "HOME=$fresh/home" "WINEPREFIX=$fresh/prefix"
              WINEARCH=win64 WINEDEBUG=-all "WINEDLLOVERRIDES=mscoree=;mshtml=;winemenubuilder.exe=d")
    trap '"${wine_env[@]}" "${wine%/*}/wineserver" -k >/dev/null 2>&1 || true' EXIT
    "${wine_env[@]}" "$wine" wineboot --init >/dev/null 2>&1
    exe="$fresh/$name/vn340-cli.exe"
    "${wine_env[@]}" "$wine" "$exe" --help | tr -d '\r' | grep -q '^Usage: vn340-cli ' ||
        { echo "vn340-cli.exe --help did not print its usage under Wine" >&2; exit 1; }
    echo "ok: vn340-cli.exe --help"
    status=0
    ports=$("${wine_env[@]}" "$wine" "$exe" ports) || status=$?
    [ "$status" -eq 0 ] || { echo "vn340-cli.exe ports ended with $status under Wine" >&2; exit 1; }
    echo "ok: vn340-cli.exe ports: $(tr -d '\r' <<<"$ports" | tr '\n' ' ')"
fi
echo "$zip"
