#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Draws the application icon (a bell) at 32x32 and 16x16 in 16 colours.
# Run from anywhere; writes res/icons/bell-32.png and res/icons/bell-16.png.
# Needs ImageMagick's convert.
set -euo pipefail
cd "$(dirname "$0")"
mkdir -p icons

# The bell is drawn once at 4x the larger size and scaled down, so both sizes
# share one outline; the palette is then cut to 16 colours.
draw() {
    local size=$1 out=$2
    convert -size 128x128 xc:none \
        -fill '#d4a017' -stroke '#5c3d00' -strokewidth 6 \
        -draw "path 'M 64,14 C 36,14 32,42 32,64 L 32,86 L 18,102 L 110,102 L 96,86 L 96,64 C 96,42 92,14 64,14 Z'" \
        -fill '#f7e08a' -stroke none \
        -draw "path 'M 50,30 C 42,38 42,52 42,70 L 50,70 C 50,52 50,40 56,30 Z'" \
        -fill '#5c3d00' -stroke none \
        -draw "circle 64,112 64,120" \
        -draw "rectangle 58,6 70,16" \
        -filter Lanczos -resize "${size}x${size}" \
        -colors 16 -define png:color-type=3 -define png:bit-depth=4 \
        "PNG8:$out"
}

draw 32 icons/bell-32.png
draw 16 icons/bell-16.png
