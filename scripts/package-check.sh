#!/usr/bin/env bash
# Builds the Debian package and checks it as a pilot's machine would receive it: every file the
# menu entry and the software-centre metadata name is where they say, the validators and lintian
# find no error, the icons still match their drawing, and the unpacked program runs as an
# ordinary user: it keeps its preferences under ~/.config/tarvelrc, and its demo reads the
# simulated gyro and leaves no preferences behind.
# Usage: scripts/package-check.sh [build-dir]
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
id=example.tarvelrc.vn340config
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
pass() { echo "ok: $*"; }

scripts/deps.sh --ci
deb=$(scripts/package.sh "$build" | tail -n 1)
version=$(dpkg-deb --field "$deb" Version)
echo "== package $deb"
dpkg-deb --field "$deb" Package Version Architecture Section Maintainer Depends
dpkg-deb --contents "$deb" | awk '{print $1, $6}'

scratch=$(mktemp -d)
trap 'chmod -R u+w "$scratch"; rm -rf "$scratch"' EXIT
root="$scratch/root"
dpkg -x "$deb" "$root"

echo "== files"
desktop="$root/usr/share/applications/$id.desktop"
metainfo="$root/usr/share/metainfo/$id.metainfo.xml"
[ -f "$desktop" ] && pass "menu entry $id.desktop" || fail "no menu entry $id.desktop"
[ -f "$metainfo" ] && pass "metadata $id.metainfo.xml" || fail "no metadata $id.metainfo.xml"
# Every command of the entry and its actions starts an installed program.
while read -r command; do
    program="$root/usr/bin/${command%% *}"
    [ -x "$program" ] && pass "Exec=$command" || fail "Exec=$command: no $program"
done < <(sed -n 's/^Exec=//p' "$desktop")
grep -q '^Name=Try without a gyro$' "$desktop" && pass "demo action" || fail "no demo action"
# The window's class is the program's name, by which docks match it to the entry's icon.
grep -q '^StartupWMClass=vn340-config$' "$desktop" && pass "StartupWMClass" || fail "no StartupWMClass"
mime_type=$(sed -n 's/^MimeType=\(.*\);$/\1/p' "$desktop")
grep -q "<mime-type type=\"$mime_type\">" "$root/usr/share/mime/packages/$id.xml" 2>/dev/null &&
    pass "settings files' type $mime_type" || fail "no type '$mime_type' in mime/packages/$id.xml"
dpkg-deb --field "$deb" Recommends | grep -qw qt6-wayland && pass "recommends qt6-wayland" ||
    fail "qt6-wayland not recommended"
icon=$(sed -n 's/^Icon=//p' "$desktop")
for size in 16 32 48 64 128 256; do
    png="$root/usr/share/icons/hicolor/${size}x${size}/apps/$icon.png"
    file -b "$png" 2>/dev/null | grep -q "^PNG image data, $size x $size," &&
        pass "icon $size px" || fail "icon $icon at $size px: $(file -b "$png" 2>&1)"
done
svg="$root/usr/share/icons/hicolor/scalable/apps/$icon.svg"
file -b "$svg" 2>/dev/null | grep -q "SVG" && pass "icon scalable" || fail "no scalable icon $svg"
launchable=$(sed -n 's:.*<launchable type="desktop-id">\(.*\)</launchable>.*:\1:p' "$metainfo")
[ "$launchable" = "$id.desktop" ] && [ -f "$root/usr/share/applications/$launchable" ] &&
    pass "metadata launches $launchable" || fail "metadata launches '$launchable'"
for binary in $(sed -n 's:.*<binary>\(.*\)</binary>.*:\1:p' "$metainfo"); do
    [ -x "$root/usr/bin/$binary" ] && pass "metadata binary $binary" || fail "no binary $binary"
done
release=$(sed -n 's:.*<release version="\([^"]*\)".*:\1:p' "$metainfo" | head -n 1)
[ "$release" = "$version" ] && pass "metadata release $release" ||
    fail "metadata's newest release $release, package $version"
changelog="$root/usr/share/doc/vn340-config/changelog.gz"
logged=$(zcat "$changelog" | sed -n '1s/^vn340-config (\([^)]*\)).*/\1/p')
[ "$logged" = "$version" ] && pass "changelog $logged" || fail "changelog $logged, package $version"
for page in vn340-config vn340-cli; do
    manual="$root/usr/share/man/man1/$page.1.gz"
    if [ -f "$manual" ]; then
        warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$manual" 2>&1 >/dev/null)
        [ -z "$warnings" ] && pass "manual page $page" || fail "manual page $page: $warnings"
    else
        fail "no manual page $page"
    fi
done
rules="$root/usr/lib/udev/rules.d/70-vn340-vexa-plug.rules"
for subsystem in tty usb; do
    grep -E "^SUBSYSTEM==\"$subsystem\".*ATTRS\{idVendor\}==\"0403\".*ATTRS\{product\}==\"Vexa-Plug\".*TAG\+=\"uaccess\"" \
        "$rules" >/dev/null && pass "udev rule for $subsystem" || fail "udev rule for $subsystem"
    grep -E "^SUBSYSTEM==\"$subsystem\".*ENV\{ID_MM_DEVICE_IGNORE\}=\"1\"" "$rules" >/dev/null &&
        pass "ModemManager ignores the $subsystem face" || fail "ModemManager probes the $subsystem face"
done
demo_library=$(find "$root/usr/lib" -path '*/vn340-config/libftd2xx.so' -print -quit)
[ -n "$demo_library" ] && pass "demo library ${demo_library#"$root"}" || fail "no demo library"
# The browser edition's page, when the WebAssembly build was made first (as CI makes it).
if [ -f build-browser/web/vn340.wasm ]; then
    web="$root/usr/share/vn340-config/web"
    for page_file in index.html vn340.js vn340.wasm sw.js manifest.webmanifest; do
        [ -f "$web/$page_file" ] && pass "web page $page_file" || fail "no web page $page_file"
    done
fi
src/app/icons/make_icons.sh --check && pass "icons match vn340.svg" || fail "icons out of date"

echo "== desktop-file-validate"
desktop-file-validate "$desktop" && pass "desktop-file-validate" || fail "desktop-file-validate"
echo "== appstreamcli validate"
appstreamcli validate --no-net --explain "$metainfo" && pass "appstreamcli" || fail "appstreamcli"
echo "== lintian"
# Warnings are listed; errors fail.
lintian --fail-on error --display-info "$deb" | tee "$scratch/lintian.txt" && pass "lintian: no errors" ||
    fail "lintian errors"
# Built as Debian builds its own packages.
! grep -q 'hardening-' "$scratch/lintian.txt" && pass "lintian: no hardening tags" ||
    fail "lintian: $(grep 'hardening-' "$scratch/lintian.txt" | tr '\n' ' ')"

echo "== the unpacked program, as an ordinary user"
# Its own folder is not writable, as after an installation; root would write anyway, so root
# runs it as nobody.
chmod 755 "$scratch"
chmod -R a-w "$root"
home="$scratch/home"
mkdir -p "$home"
as_user=()
if [ "$(id -u)" -eq 0 ]; then
    chown nobody "$home"
    as_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
fi
run_installed() {
    "${as_user[@]}" env -i PATH=/usr/bin:/bin HOME="$home" QT_QPA_PLATFORM=offscreen \
        VN340_SCREENSHOT="$home/window.png" "$@"
}
printed=$(run_installed "$root/usr/bin/vn340-config" --version)
[ "$printed" = "vn340-config $version" ] && pass "--version: $printed" || fail "--version: $printed"
if run_installed VN340_READ_BEFORE_SCREENSHOT=1 "$root/usr/bin/vn340-config" --demo >/dev/null; then
    pass "the demo read the simulated gyro"
else
    fail "the demo did not read the simulated gyro"
fi
[ ! -e "$home/.config/tarvelrc" ] && pass "the demo left no preferences" ||
    fail "the demo left $(find "$home/.config/tarvelrc")"
run_installed "$root/usr/bin/vn340-config" >/dev/null && pass "the program starts" ||
    fail "the program did not start"
[ -f "$home/.config/tarvelrc/TarvelRCGyro.ini" ] && [ ! -e "$root/usr/bin/TarvelRCGyro.ini" ] &&
    pass "preferences kept in ~/.config/tarvelrc" || fail "preferences not in ~/.config/tarvelrc"
printed=$(run_installed "$root/usr/bin/vn340-cli" --version)
[ "$printed" = "vn340-cli $version" ] && pass "vn340-cli --version: $printed" ||
    fail "vn340-cli --version: $printed"
# Without a display and with no adapter: the port saved by the window, which just ran, is none.
status=0
run_installed "$root/usr/bin/vn340-cli" read >/dev/null 2>&1 || status=$?
[ "$status" -eq 3 ] && pass "vn340-cli without an adapter ends with 3" ||
    fail "vn340-cli without an adapter ended with $status"

echo "package-check: $failures failed ($deb)"
[ "$failures" -eq 0 ]
