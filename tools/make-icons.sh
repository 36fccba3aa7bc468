#!/usr/bin/env bash
# Renders Sumtide's icon from resources/sumtide.svg:
#   resources/icons/hicolor/<N>x<N>/apps/sumtide.png  N = 16, 32, 48, 256, 32 bits with alpha
#   resources/sumtide.ico  six images, in this order: 48, 32, 16 at 256 colours (palette, 1-bit
#                          transparency mask), then 48, 32, 16 at 32 bits per pixel with alpha
# The outputs are kept in the repository, so a build needs none of these tools; run this again
# after changing the SVG. Installs what is missing first (Debian 12, apt-get).
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(librsvg2-bin imagemagick icoutils)

tools/install-packages.sh "${packages[@]}"

svg=resources/sumtide.svg
icons=resources/icons/hicolor
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# No dates or other text chunks in the PNGs, so that rendering twice gives the same files.
png_opts=(-strip -define "png:exclude-chunks=date,time")

# 32 bits per pixel, alpha kept as rendered.
for n in 16 32 48 256; do
  mkdir -p "$icons/${n}x$n/apps"
  rsvg-convert --width "$n" --height "$n" --format png "$svg" --output "$work/raw-$n.png"
  convert "$work/raw-$n.png" "${png_opts[@]}" PNG32:"$icons/${n}x$n/apps/sumtide.png"
done

# 256 colours: every pixel either opaque or transparent (alpha cut at one half), colours reduced
# to a palette of at most 255 plus the transparent entry, without dithering.
for n in 16 32 48; do
  convert "$work/raw-$n.png" -channel A -threshold 50% +channel +dither -colors 255 \
    "${png_opts[@]}" PNG8:"$work/palette-$n.png"
done

icotool --create --output=resources/sumtide.ico \
  "$work/palette-48.png" "$work/palette-32.png" "$work/palette-16.png" \
  "$icons/48x48/apps/sumtide.png" "$icons/32x32/apps/sumtide.png" "$icons/16x16/apps/sumtide.png"

# The icon file must hold exactly the six images asked for, in order.
expected="48 8
32 8
16 8
48 32
32 32
16 32"
actual=$(icotool --list resources/sumtide.ico |
  sed -E 's/.*--width=([0-9]+) .*--bit-depth=([0-9]+).*/\1 \2/')
if [ "$actual" != "$expected" ]; then
  echo "resources/sumtide.ico does not hold the expected images:" >&2
  icotool --list resources/sumtide.ico >&2
  exit 1
fi
icotool --list resources/sumtide.ico
echo "Icons written: resources/sumtide.ico, $icons/{16x16,32x32,48x48,256x256}/apps/sumtide.png"
