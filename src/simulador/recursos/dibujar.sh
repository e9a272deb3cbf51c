#!/usr/bin/env bash
# Draws the simulator's pictures with ImageMagick: the splash (166 x 122,
# 256 colours) and the program icon (32 x 32, 16 colours). The PNG files are
# kept in the repository; run this only to draw them again.
set -euo pipefail
cd "$(dirname "$0")"
fuente=DejaVu-Sans-Bold

# Splash: a dark panel with the kit's name, a gauge and a row of lamps.
convert -size 166x122 gradient:'#1c3f6e'-'#0b1a30' \
  -fill '#c0c0c0' -stroke black -draw 'rectangle 100,46 158,80' \
  -fill none -stroke black -draw 'arc 106,52 152,104 210,330' \
  -stroke '#0000ff' -strokewidth 2 -draw 'line 129,78 142,58' -strokewidth 1 \
  -stroke none -fill white -font "$fuente" -pointsize 22 -draw "text 8,26 'Kalovet'" \
  -fill '#9fc5ff' -pointsize 9 -draw "text 9,40 'simulador de señales'" \
  -fill '#9fc5ff' -pointsize 9 -draw "text 9,64 'DI  DO  AD  DA'" \
  -stroke black -fill '#00ff00' \
  -draw 'circle 14,92 19,92' -draw 'circle 30,92 35,92' -draw 'circle 46,92 51,92' \
  -fill '#ff0000' -draw 'circle 62,92 67,92' \
  -fill '#00ff00' -draw 'circle 78,92 83,92' \
  -fill '#ff0000' -draw 'circle 94,92 99,92' \
  -fill '#00ff00' -draw 'circle 110,92 115,92' -draw 'circle 126,92 131,92' \
  -stroke none -fill '#7f9cc4' -draw 'rectangle 8,104 150,107' \
  -fill '#e0e0e0' -draw 'rectangle 70,103 74,108' \
  -fill white -pointsize 9 -draw "text 100,119 'versión 0.3'" \
  -colors 256 PNG8:propaganda.png

# Icon: a silver dial with a blue needle on a dark square.
convert -size 32x32 xc:'#0b1a30' \
  -fill '#c0c0c0' -stroke black -draw 'rectangle 2,6 29,26' \
  -fill none -stroke black -draw 'arc 5,10 27,40 205,335' \
  -stroke '#0000ff' -strokewidth 2 -draw 'line 16,24 23,13' -strokewidth 1 \
  -stroke none -fill '#ff0000' -draw 'rectangle 4,28 9,30' \
  -fill '#00ff00' -draw 'rectangle 13,28 18,30' -draw 'rectangle 22,28 27,30' \
  -colors 16 PNG8:kalovet.png
