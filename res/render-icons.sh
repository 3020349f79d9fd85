#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Renders the desktop icon's PNG sizes from its hand-drawn SVG into the hicolor
# layout that is installed as it stands. The PNGs are committed, so the build
# needs no renderer; run this again after changing the SVG, and look at the
# 16, 22 and 24 pixel results before committing them.
# Needs rsvg-convert (Debian package librsvg2-bin) and ImageMagick's convert.
set -euo pipefail
cd "$(dirname "$0")/icons/hicolor"
svg=scalable/apps/example.veltane.Veltane.svg
for size in 16 22 24 32 48 64 128 256; do
    mkdir -p "${size}x${size}/apps"
    rsvg-convert --width "$size" --height "$size" --output "${size}x${size}/apps/example.veltane.Veltane.png" "$svg"
done

# docs/: the 256 and 48 pixel icons side by side at their real size.
convert -background none -gravity center \
    256x256/apps/example.veltane.Veltane.png -size 24x256 xc:none 48x48/apps/example.veltane.Veltane.png \
    +append +repage -define png:exclude-chunks=date,time ../../../docs/veltane-icon.png
