#!/usr/bin/env bash
# Regenerates the program icon from its SVG source (img/src/icon.svg):
#   img/icon/tonewell.ico          Tonewell.exe's icon: 16, 20, 24, 32, 40, 48,
#                                  64 and 256 pixels (the 256 stored as PNG)
#   img/icon/<N>x<N>.png           the hicolor sizes of the Linux desktop: 16,
#                                  22, 24, 32, 48, 64, 128 and 256 pixels
# The outputs are committed, so an ordinary build never runs this; run it
# after editing the source. Sizes below 40 pixels add img/src/icon-small.css.
# Output is byte-identical from run to run (no text is drawn, no time stamps).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
src="$root/img/src"
out="$root/img/icon"

bash "$root/scripts/install-packages.sh" librsvg2-bin icoutils

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$out"

render() { # SIZE FILE
    local css=()
    (($1 < 40)) && css=(--stylesheet "$src/icon-small.css")
    rsvg-convert "${css[@]}" --width "$1" --height "$1" -o "$2" "$src/icon.svg"
}

ico_sizes=(16 20 24 32 40 48 64 256)
ico_parts=()
for size in "${ico_sizes[@]}"; do
    render "$size" "$work/$size.png"
    # Windows reads the large size as a PNG; the others as bitmaps.
    if ((size == 256)); then ico_parts+=(--raw="$work/$size.png"); else ico_parts+=("$work/$size.png"); fi
done
icotool --create --output="$out/tonewell.ico" "${ico_parts[@]}"

for size in 16 22 24 32 48 64 128 256; do
    render "$size" "$out/${size}x${size}.png"
done

# Check what was written: the icon's directory and each PNG's size.
listing=$(icotool --list "$out/tonewell.ico")
for size in "${ico_sizes[@]}"; do
    grep -q -- "--width=$size --height=$size" <<<"$listing" ||
        { echo "make-icon: tonewell.ico has no ${size}x$size image" >&2; exit 1; }
done
for size in 16 22 24 32 48 64 128 256; do
    got=$(od -An -tu1 -j16 -N8 "$out/${size}x${size}.png" | tr -s ' ')
    want=$(printf ' 0 0 %d %d 0 0 %d %d' $((size >> 8)) $((size & 255)) $((size >> 8)) $((size & 255)))
    [[ $got == "$want" ]] || { echo "make-icon: ${size}x$size.png is not $size pixels square" >&2; exit 1; }
done
echo "make-icon: wrote $out/tonewell.ico (${ico_sizes[*]}) and 8 hicolor PNGs"
