#!/usr/bin/env bash
# Writes the picture fixtures of the window tests with ImageMagick (`convert`), an encoder
# independent of our decoders. Run it in this folder; the outputs are committed beside it.
set -euo pipefail
cd "$(dirname "$0")"

# 3 x 2 pixels: red, lime, blue over white, black, yellow.
convert xc:red xc:lime xc:blue +append \( xc:white xc:black xc:yellow +append \) -append \
    PNG24:pattern.png
convert pattern.png BMP3:pattern.bmp
convert pattern.png -type TrueColor PCX:pattern_rgb24.pcx
convert pattern.png -type Palette PCX:pattern_pal8.pcx
# 256 colours in a row: palette indices from 0xC0 on need the run-length escape.
convert -size 4x256 gradient:red-blue -rotate 90 PNG24:gradient.png
convert gradient.png -type Palette PCX:gradient_pal8.pcx
# The palette holds fewer colours than the gradient: its own reference, read back by ImageMagick.
convert gradient_pal8.pcx PNG24:gradient_pal8.png
convert gradient.png -type TrueColor PCX:gradient_rgb24.pcx
# Runs longer than 63 bytes are cut into several.
convert -size 130x3 xc:orange -type TrueColor PCX:wide_rgb24.pcx
# JPEG: 8 x 8 blocks of one colour each, no chroma subsampling; grey has one component.
convert -size 8x8 xc:red xc:blue +append -sampling-factor 1x1 -quality 95 colour.jpg
convert colour.jpg -interlace Plane colour_progressive.jpg
convert -size 8x8 xc:gray40 -colorspace Gray -type Grayscale grey.jpg
convert -size 2x2 'xc:rgba(255,0,0,0.5)' PNG32:alpha.png
convert -size 8x8 xc:red xc:blue +append ICO:icon.ico
convert -delay 10 -size 4x3 xc:red xc:lime xc:blue -loop 0 GIF:animated.gif
convert -size 4x3 xc:blue GIF87:still87.gif
