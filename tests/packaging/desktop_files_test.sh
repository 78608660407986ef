#!/usr/bin/env bash
# The menu entry and the settings files' type, as a desktop takes them: the entry passes the
# validator and opens the type it names with the file; the type, installed into a data folder
# of its own, names files by their suffix and, without one, by a first line of exactly "[Gyro]".
# Usage: desktop_files_test.sh <packaging source folder>
set -euo pipefail
packaging="$1"
id=example.tarvelrc.vn340config
desktop="$packaging/$id.desktop"
failures=0
check() { # what expected actual
    if [ "$2" = "$3" ]; then echo "ok: $1"; else echo "FAIL: $1: '$3', expected '$2'"; failures=$((failures + 1)); fi
}

desktop-file-validate "$desktop"
check "validator" "" "$(desktop-file-validate "$desktop")"
type=$(sed -n 's:.*<mime-type type="\([^"]*\)".*:\1:p' "$packaging/$id.mime.xml")
check "the entry opens the type" "$type;" "$(sed -n 's/^MimeType=//p' "$desktop")"
check "the entry is given the file" "vn340-config %f" "$(sed -n '0,/^Exec=/s/^Exec=//p' "$desktop")"

data=$(mktemp -d)
trap 'rm -rf "$data"' EXIT
mkdir -p "$data/mime/packages" "$data/files" "$data/home"
cp "$packaging/$id.mime.xml" "$data/mime/packages/$id.xml"
# It notes that the folder is not a system one: it is not meant to be.
update-mime-database "$data/mime" 2>/dev/null
query() { # file -> its type, as the desktop's file manager is told
    env -i PATH=/usr/bin:/bin HOME="$data/home" XDG_DATA_HOME="$data/home" \
        XDG_DATA_DIRS="$data:/usr/share" xdg-mime query filetype "$1"
}
cases=(
    # name | first bytes | type
    "trex.tsf|[Gyro]\r\nProduct=vn340\r\n|$type"
    "TREX.TSF|[Gyro]\r\n|$type"
    "empty.tsf||$type"
    "download|[Gyro]\r\nProduct=vn340\r\n|$type"
    "marked|\xef\xbb\xbf[Gyro]\r\n|$type"
    "short|[Gyro\r\n|text/plain"
    "indented| [Gyro]\r\n|text/plain"
    "gyro.ini|[Servo]\r\n[Gyro]\r\n|text/plain"
)
for row in "${cases[@]}"; do
    IFS='|' read -r name bytes expected <<<"$row"
    printf "$bytes" >"$data/files/$name"
    check "$name" "$expected" "$(query "$data/files/$name")"
done
echo "desktop files: $failures failed"
[ "$failures" -eq 0 ]
