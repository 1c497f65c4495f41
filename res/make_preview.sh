#!/usr/bin/env bash
# The preview picture: 153 by 115 pixels, baseline JPEG, three components.
set -euo pipefail
out="${1:-$(dirname "$0")/preview.jpg}"
convert -size 153x115 gradient:'#101850'-'#5a2a7a' \
  -fill '#000000' -draw 'rectangle 0,0 12,114' -draw 'rectangle 140,0 152,114' \
  -fill '#c0c0c0' -draw 'rectangle 4,6 8,12' -draw 'rectangle 4,30 8,36' -draw 'rectangle 4,54 8,60' \
  -draw 'rectangle 4,78 8,84' -draw 'rectangle 4,102 8,108' \
  -draw 'rectangle 144,6 148,12' -draw 'rectangle 144,30 148,36' -draw 'rectangle 144,54 148,60' \
  -draw 'rectangle 144,78 148,84' -draw 'rectangle 144,102 148,108' \
  -fill '#ffd400' -draw 'polygon 62,34 62,80 98,57' \
  -colorspace sRGB -type TrueColor -interlace none -sampling-factor 2x2 -density 96 -units PixelsPerInch \
  -strip -quality 92 "$out"
