#!/usr/bin/env bash
# Regenerates the editor's PNG images from their SVG sources (img/src/*.svg)
# at three display scales: img/*.png at 1x, img/2x/*.png and img/3x/*.png at
# twice and three times the size. The PNGs are committed, so an ordinary
# build never runs this; run it after editing a source. Output is byte-identical from run to
# run: fonts come from a private fontconfig setup that sees only the two font
# packages below, and no time stamps or text chunks are written.
#
# Pictures that are laid opaquely over the background (colour type 2) are
# cropped renderings of the background itself, so their pixels match it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
src="$root/img/src"
out="$root/img"

bash "$root/scripts/install-packages.sh" librsvg2-bin imagemagick fonts-dejavu-core fonts-liberation2

# ImageMagick by absolute path: a "convert" earlier in PATH may be something else.
im=""
for c in /usr/bin/convert-im6.q16 /usr/bin/magick /usr/bin/convert; do
    [[ -x $c ]] && { im=$c; break; }
done
[[ -n $im ]] || { echo "make-images: no ImageMagick found" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cat >"$work/fonts.conf" <<EOF
<?xml version="1.0"?>
<!DOCTYPE fontconfig SYSTEM "fonts.dtd">
<fontconfig>
  <dir>/usr/share/fonts/truetype/dejavu</dir>
  <dir>/usr/share/fonts/truetype/liberation2</dir>
  <cachedir>$work/fontcache</cachedir>
</fontconfig>
EOF
export FONTCONFIG_FILE="$work/fonts.conf"
export SOURCE_DATE_EPOCH=0

# name, width, height, colour type, and for the pictures drawn on the plate
# their place in the editor (all at 1x).
images=(
    "bg      368 370 6"
    "knob    168  84 6"
    "knob2   128  64 6"
    "wave    144  30 6"
    "btn      68  18 6  42 206"
    "btn2     92  18 2  30 234"
    "btn3     92  25 2 246 232"
    "label   114  28 2  20 178"
    "disable  80  96 6"
    "slider   16  16 6"
    "center  108  20 6"
)

# The background without its off captions: the plate that the button and
# caption pictures are drawn on, rendered at each scale.
echo '#off { display: none; }' >"$work/plate.css"

count=0
for scale in 1 2 3; do
    dir="$out"
    ((scale == 1)) || dir="$out/${scale}x"
    mkdir -p "$dir" "$work/$scale"
    size=()
    ((scale == 1)) || size=(--width $((368 * scale)) --height $((370 * scale)))
    rsvg-convert "${size[@]}" --stylesheet "$work/plate.css" -o "$work/$scale/plate.png" "$src/bg.svg"
    for entry in "${images[@]}"; do
        read -r name w h type x y <<<"$entry"
        # Integer scales keep every size and place whole.
        sw=$((w * scale))
        sh=$((h * scale))
        tmp="$work/$scale/$name.png"
        rsvg-convert --width "$sw" --height "$sh" -o "$tmp" "$src/$name.svg"
        if [[ -n ${y:-} ]]; then
            "$im" "$work/$scale/plate.png" -crop "${sw}x${sh}+$((x * scale))+$((y * scale))" +repage "$tmp" \
                -compose over -composite "$tmp"
        fi
        opts=(-strip -define png:exclude-chunks=date,time -define png:compression-level=9)
        case $name in
        # The pointer halves are turned with bilinear filtering, which mixes in
        # the colour of transparent neighbours: give those the pointer's colour.
        knob | knob2) opts+=(-background '#9ce9ff' -alpha background) ;;
        esac
        if [[ $type == 2 ]]; then
            "$im" "$tmp" -alpha off "${opts[@]}" "PNG24:$dir/$name.png"
        else
            "$im" "$tmp" "${opts[@]}" "PNG32:$dir/$name.png"
        fi
        # IHDR check: width, height, bit depth 8, colour type, no interlace.
        got=$(od -An -tx1 -j16 -N13 "$dir/$name.png" | tr -d ' \n')
        want=$(printf '%08x%08x080%d000000' "$sw" "$sh" "$type")
        [[ $got == "$want" ]] || { echo "make-images: $dir/$name.png has header $got, expected $want" >&2; exit 1; }
        count=$((count + 1))
    done
done
echo "make-images: wrote $count images to $out, $out/2x and $out/3x"
