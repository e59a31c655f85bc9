#!/bin/sh
# Renders the PNG icons in dist/icons from dist/quen.svg, the Windows icon quen.ico, and the
# 48x48 one again as raw RGBA bytes (quen-48.rgba), which the build puts into the demo as its
# window's icon. Run after changing the SVG; the results are kept in the tree so that building
# and packaging need no SVG renderer.
# Needs rsvg-convert (Debian package librsvg2-bin) and ImageMagick's convert (imagemagick).
set -eu
cd "$(dirname "$0")"
for size in 16 32 48 64 128 256; do
  rsvg-convert -w "$size" -h "$size" quen.svg -o "icons/quen-$size.png"
done
convert icons/quen-48.png -depth 8 RGBA:icons/quen-48.rgba
convert icons/quen-16.png icons/quen-32.png icons/quen-48.png icons/quen-256.png icons/quen.ico
