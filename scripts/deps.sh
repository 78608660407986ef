#!/usr/bin/env bash
# Installs the Debian 12 packages the build and tests need, only those that are missing.
# Usage: scripts/deps.sh [--package | --ci | --windows | --browser]
set -euo pipefail
packages=(
    cmake ninja-build g++ pkg-config
    qt6-base-dev libgl-dev libudev-dev libxcb1-dev
    # Qt Charts draws the live signals; Debian 12's package needs the OpenGL module's files.
    qt6-charts-dev libqt6opengl6-dev
    libgtest-dev libgmock-dev googletest libbenchmark-dev
    # vn340-cli's JSON, headers only (the Windows build takes the same).
    nlohmann-json3-dev
    xvfb xauth fonts-dejavu-core fonts-liberation2
    # The desktop files' test: the validator, the MIME database, and xdg-mime with the
    # program it asks in a desktop of no particular kind.
    desktop-file-utils shared-mime-info xdg-utils libfile-mimeinfo-perl
)
# The Debian package: dpkg-shlibdeps finds its dependencies, `file` picks the files it looks at.
packaging=(dpkg-dev file)
case "${1:-}" in
--package) packages+=("${packaging[@]}") ;;
# CI adds the fuzzers, the layout's check, the package and what checks the package and the
# icons.
--ci) packages+=(clang-14 libclang-rt-14-dev clang-format-16 "${packaging[@]}"
                 appstream lintian man-db librsvg2-bin) ;;
# The Windows build of the core, cross-compiled and tested under Wine (scripts/wine-test.sh);
# GoogleTest is built for it from the googletest sources above.
--windows) packages+=(g++-mingw-w64-x86-64-posix wine64 zip unzip) ;;
# The browser edition: the core in WebAssembly, its tests under Node, and the page in
# Chromium (scripts/browser-test.sh). A Node.js from elsewhere than Debian, with its npm, is kept.
--browser)
    packages+=(emscripten chromium)
    command -v node >/dev/null || packages+=(nodejs)
    command -v npm >/dev/null || packages+=(npm)
    ;;
esac
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ "${#missing[@]}" -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
