#!/usr/bin/env bash
# Renders the scalable icon into the PNG sizes that are installed beside it.
# The PNGs are committed, so building needs no SVG renderer; run this after
# changing the SVG (needs rsvg-convert, Debian package librsvg2-bin).
set -euo pipefail
cd "$(dirname "$0")"
for size in 48 128 256; do
    rsvg-convert -w "$size" -h "$size" quiltotrackery.svg -o "quiltotrackery-$size.png"
done
