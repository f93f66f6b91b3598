#!/usr/bin/env bash
# Renders the program's icon (packaging/icons/org.tavrel.Tavrel.svg) into the PNG sizes of the
# hicolor theme, packaging/icons/<N>x<N>.png. The PNGs are committed; run this after editing the SVG.
set -euo pipefail
cd "$(dirname "$0")/.."
svg=packaging/icons/org.tavrel.Tavrel.svg
for n in 16 22 24 32 48 64 128 256; do
  rsvg-convert -w "$n" -h "$n" "$svg" -o "packaging/icons/${n}x${n}.png"
done
