#!/usr/bin/env bash
# Regenerates every default asset of Quen/XDL into the folder this script
# lives in:
#
#   initial.jpg   400x300  title card
#   j1.jpg        400x300  plasma
#   j2.jpg        400x300  chrome ball over a checkerboard
#   j3.jpg        400x300  neon city (lots of straight lines for the warp)
#   scroller.jpg  400x600  end credits
#   zeft.mp3      64 s     soundtrack, loops seamlessly
#
# The pictures' backgrounds come from paint/paint.cpp, their text is set
# with ImageMagick in DejaVu fonts; the music is rendered by synth/synth.cpp
# and encoded with lame. Both programs are built into a temporary folder
# and thrown away afterwards. The output is deterministic: running the
# script twice on the same machine gives byte-identical files.
#
# Usage: assets/make-assets.sh            (from any directory)

set -euo pipefail

src=${BASH_SOURCE[0]}
[[ $src == */* ]] || src=./$src
here="$(cd "${src%/*}" && pwd)"
fontdir=/usr/share/fonts/truetype/dejavu
sans="$fontdir/DejaVuSans.ttf"
bold="$fontdir/DejaVuSans-Bold.ttf"
mono="$fontdir/DejaVuSansMono.ttf"
monobold="$fontdir/DejaVuSansMono-Bold.ttf"

# --- tools -----------------------------------------------------------------

missing=()
for tool in convert identify lame g++; do
    command -v "$tool" >/dev/null 2>&1 || missing+=("$tool")
done
for font in "$sans" "$bold" "$mono" "$monobold"; do
    [[ -f "$font" ]] || missing+=("$font")
done
if ((${#missing[@]})); then
    echo "make-assets: missing: ${missing[*]}" >&2
    echo "install them with:  apt-get install imagemagick fonts-dejavu-core lame g++" >&2
    exit 1
fi

tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT

echo "building the painter and the synthesiser"
g++ -std=c++17 -O2 -Wall -Wextra -o "$tmp/paint" "$here/paint/paint.cpp" &
paint_pid=$!
g++ -std=c++17 -O2 -Wall -Wextra -o "$tmp/synth" "$here/synth/synth.cpp" &
synth_pid=$!
wait "$paint_pid"
wait "$synth_pid"

# Common JPEG settings: baseline, quality 92, no chroma subsampling, sRGB,
# three channels, no metadata.
jpeg_opts=(-strip -colorspace sRGB -type TrueColor -interlace none
    -sampling-factor 1x1 -quality 92)

# Writes the text $3 in font $1 at size $2 as a trimmed white-on-transparent
# mask into $4 and prints its "width height".
text_mask() {
    convert -background none -fill white -font "$1" -pointsize "$2" \
        label:"$3" -trim +repage "$4"
    identify -format '%w %h\n' "$4"
}

# Makes a glowing, outlined, gradient-filled piece of text as a transparent
# PNG of the same size as the canvas, centred horizontally with its top at y.
#   fancy_text OUT FONT SIZE TEXT Y GRADIENT_TOP GRADIENT_BOTTOM GLOW W H
fancy_text() {
    local out=$1 font=$2 size=$3 text=$4 y=$5 top=$6 bottom=$7 glow=$8 W=$9 H=${10}
    local m="$tmp/mask.png" w h pad=16
    read -r w h < <(text_mask "$font" "$size" "$text" "$m")
    # Padded mask so the glow and outline have room.
    convert "$m" -bordercolor none -border $pad "$tmp/maskp.png"
    local pw=$((w + 2 * pad)) ph=$((h + 2 * pad))
    # Two-tone chrome fill: light upper half, deeper lower half with a
    # sharp seam across the middle of the letters.
    convert -size ${pw}x$((pad + h / 2)) gradient:"#FFFFFF-$top" \
        -size ${pw}x$((ph - pad - h / 2)) gradient:"$bottom-#FFFFFF" -append \
        -alpha set "$tmp/maskp.png" -compose DstIn -composite "$tmp/fill.png"
    convert "$tmp/maskp.png" -channel A -morphology Dilate Disk:2.5 +channel \
        -fill "#12031F" -colorize 100 "$tmp/outline.png"
    convert "$tmp/maskp.png" -channel A -morphology Dilate Disk:2 -blur 0x7 \
        -evaluate multiply 1.6 +channel -fill "$glow" -colorize 100 "$tmp/glow.png"
    convert -size ${W}x${H} xc:none \
        "$tmp/glow.png" -gravity north -geometry +0+$((y - pad)) -compose over -composite \
        "$tmp/outline.png" -gravity north -geometry +2+$((y - pad + 3)) -compose over -composite \
        "$tmp/outline.png" -gravity north -geometry +0+$((y - pad)) -compose over -composite \
        "$tmp/fill.png" -gravity north -geometry +0+$((y - pad)) -compose over -composite \
        "$out"
}

# --- pictures ----------------------------------------------------------------

echo "painting initial.jpg"
"$tmp/paint" title 400 300 "$tmp/title.ppm"
fancy_text "$tmp/title-text.png" "$bold" 62 "Quen/XDL" 34 "#8FE4FF" "#FF3FB0" "#FF3FD0" 400 300
convert "$tmp/title.ppm" "$tmp/title-text.png" -compose over -composite \
    \( -size 400x300 xc:none -font "$sans" -pointsize 17 -gravity north \
       -fill "#12031F" -annotate +1+112 "a realtime demo  ·  2026" \
       -blur 0x1.2 \) -compose over -composite \
    -font "$sans" -pointsize 17 -gravity north -fill "#FFF1FA" \
    -annotate +0+111 "a realtime demo  ·  2026" \
    "${jpeg_opts[@]}" "$here/initial.jpg"

# Small caption in the lower right corner with a dark plate behind it.
#   caption IN.ppm OUT.jpg WORD COLOUR
caption() {
    convert "$1" \
        \( -size 400x300 xc:none -font "$monobold" -pointsize 14 -gravity southeast \
           -fill "#000000C0" -annotate +9+7 "$3" -blur 0x2.5 \) -compose over -composite \
        -font "$monobold" -pointsize 14 -gravity southeast -fill "$4" -annotate +10+8 "$3" \
        "${jpeg_opts[@]}" "$2"
}

echo "painting j1.jpg j2.jpg j3.jpg"
"$tmp/paint" plasma 400 300 "$tmp/j1.ppm"
"$tmp/paint" horizon 400 300 "$tmp/j2.ppm"
"$tmp/paint" city 400 300 "$tmp/j3.ppm"
caption "$tmp/j1.ppm" "$here/j1.jpg" "plasma" "#FFF4D0"
caption "$tmp/j2.ppm" "$here/j2.jpg" "horizon" "#FFFFFF"
# The city gets a rooftop sign as well: bold straight strokes read well
# while the picture is being warped.
fancy_text "$tmp/sign.png" "$bold" 40 "XDL" 22 "#AEEFFF" "#2FE8FF" "#2FE8FF" 400 300
convert "$tmp/j3.ppm" "$tmp/sign.png" -compose over -composite "$tmp/j3s.ppm"
caption "$tmp/j3s.ppm" "$here/j3.jpg" "neon" "#FFE0F4"

echo "painting scroller.jpg"
# Credits: one entry per line, "kind|text". Kinds: title, sub, head, name,
# mono, gap, rule. Everything is centred.
credits=(
    "gap|22"
    "title|Quen/XDL"
    "sub|a realtime demo · 2026"
    "gap|14" "rule|" "gap|16"
    "head|code"
    "name|the Quen/XDL team"
    "name|the render loop crew"
    "gap|12"
    "head|graphics"
    "name|the palette painters"
    "name|made by make-assets.sh"
    "gap|12"
    "head|music"
    "name|\"zeft\" by the synth crew"
    "name|on a home-made synth"
    "gap|12"
    "head|greetings"
    "mono|all late-night coders"
    "mono|every pixel pusher"
    "mono|the sine and the cosine"
    "mono|demo parties, past and future"
    "gap|16" "rule|" "gap|18"
    "end|thanks for watching"
)
args=()
y=0
for entry in "${credits[@]}"; do
    kind=${entry%%|*}
    text=${entry#*|}
    case $kind in
    gap) y=$((y + text)) ;;
    rule)
        args+=(-stroke none -fill "#3A2A60" -draw "rectangle 140,$y 260,$((y + 1))")
        y=$((y + 2))
        ;;
    title)
        fancy_text "$tmp/credit-title.png" "$bold" 40 "$text" "$y" \
            "#8FE4FF" "#FF3FB0" "#FF3FD0" 400 600
        y=$((y + 50))
        ;;
    sub)
        args+=(-font "$sans" -pointsize 15 -fill "#C8B8E8" -annotate "+0+$y" "$text")
        y=$((y + 24))
        ;;
    head)
        args+=(-font "$bold" -pointsize 20 -fill "#2FE8FF" -annotate "+0+$y" "$text")
        y=$((y + 30))
        ;;
    name)
        args+=(-font "$sans" -pointsize 16 -fill "#FFFFFF" -annotate "+0+$y" "$text")
        y=$((y + 23))
        ;;
    mono)
        args+=(-font "$mono" -pointsize 15 -fill "#FFD9F2" -annotate "+0+$y" "$text")
        y=$((y + 22))
        ;;
    end)
        args+=(-font "$bold" -pointsize 22 -fill "#FFE07A" -annotate "+0+$y" "$text")
        y=$((y + 30))
        ;;
    esac
done
if ((y > 590)); then
    echo "make-assets: the credits are too long ($y px)" >&2
    exit 1
fi
convert -size 400x600 xc:black -gravity north "${args[@]}" \
    "$tmp/credit-title.png" -compose over -composite \
    "${jpeg_opts[@]}" "$here/scroller.jpg"

# --- music -------------------------------------------------------------------

echo "rendering zeft.mp3"
"$tmp/synth" "$tmp/zeft.wav"
# 160 kbit/s CBR, 44.1 kHz joint stereo: about 1.3 MB for the 64 s loop.
# lame writes an Info/LAME header with the encoder delay and padding, which
# decoders (mpg123, ffmpeg, lame itself) use to trim the edges, so the
# decoded track is exactly one loop long and repeats without a gap.
lame --quiet --noreplaygain -b 160 -q 2 --resample 44.1 -m j \
    --tt "zeft" --ta "the Quen/XDL team" --tl "Quen/XDL" --ty 2026 \
    "$tmp/zeft.wav" "$here/zeft.mp3"
# Decode it again and make sure the loop survived the encoder.
lame --quiet --decode "$here/zeft.mp3" "$tmp/decoded.wav"
"$tmp/synth" --check "$tmp/decoded.wav"

echo "done:"
ls -l "$here"/initial.jpg "$here"/j1.jpg "$here"/j2.jpg "$here"/j3.jpg \
    "$here"/scroller.jpg "$here"/zeft.mp3
