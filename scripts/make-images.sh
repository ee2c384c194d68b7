#!/usr/bin/env bash
# Draws the program's own images into resources/ with ImageMagick: the
# 200x25 banner (256-colour BMP), the icon (16, 32, 48 and 256 pixels) and
# the 10x10 opaque black PNG the preview starts from. The results are
# committed; run this only to change them.
set -euo pipefail
cd "$(dirname "$0")/../resources"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# Banner: a teal band, a cross-line mark on the left, the product name.
convert -size 25x200 gradient:'#0b5d66'-'#1f9aa3' -rotate 90 \
  -stroke '#ffd23f' -strokewidth 2 -draw 'line 12,3 12,21' -draw 'line 3,12 21,12' \
  -stroke none -fill none -stroke '#ffffff' -strokewidth 1 -draw 'circle 12,12 12,6' \
  -stroke none -fill white -font DejaVu-Sans-Bold -pointsize 14 -annotate +30+18 'Tavix Capture' \
  -colors 256 -type Palette -compress none BMP3:banner.bmp

# Icon: a rounded teal tile with the yellow cross-line marker and its ring.
for size in 16 32 48 256; do
  s=$((size))
  r=$((s / 6)); w=$((s > 32 ? s / 14 : 2)); c=$((s / 2)); ring=$((s * 3 / 10)); m=$((s / 12))
  convert -size ${s}x${s} xc:none -fill '#147f88' -draw "roundrectangle 0,0 $((s - 1)),$((s - 1)) $r,$r" \
    -fill none -stroke '#ffffff' -strokewidth "$w" -draw "circle $c,$c $c,$((c - ring))" \
    -stroke '#ffd23f' -draw "line $c,$m $c,$((s - 1 - m))" -draw "line $m,$c $((s - 1 - m)),$c" \
    "$tmp/icon-$size.png"
done
convert "$tmp/icon-16.png" "$tmp/icon-32.png" "$tmp/icon-48.png" "$tmp/icon-256.png" -depth 8 TavixCapture.ico

# The preview's first image: 10x10 opaque black.
convert -size 10x10 xc:black -alpha off -define png:color-type=2 black.png
identify banner.bmp TavixCapture.ico black.png
