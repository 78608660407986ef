#!/usr/bin/env bash
# Renders the program's icon, vn340.svg beside this script, as the PNG files of every size the
# program and its desktop menu entry use. Run it after changing the drawing and commit the PNG
# files with it; `--check` only tells whether the committed files still match the drawing.
# Needs rsvg-convert (Debian package librsvg2-bin).
set -euo pipefail
cd "$(dirname "$0")"
sizes=(16 32 48 64 128 256)
check=false
[ "${1:-}" = "--check" ] && check=true
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
stale=()
for size in "${sizes[@]}"; do
    rsvg-convert --width "$size" --height "$size" vn340.svg --output "$scratch/vn340-$size.png"
    if $check; then
        cmp -s "$scratch/vn340-$size.png" "vn340-$size.png" || stale+=("vn340-$size.png")
    else
        mv "$scratch/vn340-$size.png" "vn340-$size.png"
        echo "$PWD/vn340-$size.png"
    fi
done
if [ "${#stale[@]}" -gt 0 ]; then
    echo "Icons that no longer match vn340.svg (run src/app/icons/make_icons.sh): ${stale[*]}" >&2
    exit 1
fi
