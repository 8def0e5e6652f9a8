#!/bin/sh
# Regenerates the raster images in this folder from their SVG sources:
# the multi-size window icon, the application icon's PNG sizes for the
# desktop's icon theme (installed by packaging/) and the table header's sort
# arrows (1x and @2x).
# Needs ImageMagick's convert with its SVG reader (Debian: imagemagick and
# libmagickcore-6.q16-6-extra). Run after editing one of the SVG files here.
# ImageMagick's built-in SVG reader draws stroked open arcs as closed shapes,
# so these sources keep to filled rectangles and straight-edged paths.
set -eu

cd "$(dirname "$0")"

# Renders $1 (SVG) at a generous density, then scales to exactly $2 (WxH) pixels.
render() {
    convert -background none -density 1536 "$1" -resize "$2!" -depth 8 -strip "$3"
}

for size in 16 22 24 32 48 64 128 256; do
    render PDFirmUpTool.svg "${size}x${size}" "PDFirmUpTool-$size.png"
done
convert PDFirmUpTool-16.png PDFirmUpTool-32.png PDFirmUpTool-48.png PDFirmUpTool-256.png PDFirmUpTool.ico

for dir in up down; do
    render "sort-$dir.svg" 9x5 "sort-$dir.png"
    render "sort-$dir.svg" 18x10 "sort-$dir@2x.png"
done
