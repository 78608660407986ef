#!/usr/bin/env bash
# Builds the Debian package of the program: installs what is missing, builds, packs, and prints
# the package's path as its last line.
# Usage: scripts/package.sh [build-dir] [extra cmake arguments...]
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
shift || true
scripts/deps.sh --package
cmake -S . -B "$build" -G Ninja "$@"
cmake --build "$build"
rm -rf "$build/package"
# Packed as installed under /usr, stripped, with the dependencies dpkg-shlibdeps finds.
cpack --config "$build/CPackConfig.cmake" -B "$build/package"
debs=("$build"/package/*.deb)
[ -f "${debs[0]}" ] || { echo "cpack made no package" >&2; exit 1; }
realpath "${debs[0]}"
