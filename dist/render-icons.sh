#!/bin/sh
# Renders the PNG icons in dist/icons from dist/quen.svg. Run after changing the SVG; the PNGs
# are kept in the tree so that building and packaging need no SVG renderer.
# Needs rsvg-convert (Debian package librsvg2-bin).
set -eu
cd "$(dirname "$0")"
for size in 16 32 48 64 128 256; do
  rsvg-convert -w "$size" -h "$size" quen.svg -o "icons/quen-$size.png"
done
