#!/bin/sh
# Draws the pictures of the two windows (splash, icons, area editor cursor) with ImageMagick.
# Run from anywhere; writes into the folder of this script. Needs ImageMagick 6 (`convert`)
# and the DejaVu fonts (fonts-dejavu-core). The output carries no time stamps, so a rerun
# gives the same files.
set -eu
cd "$(dirname "$0")"

FONTDIR=/usr/share/fonts/truetype/dejavu
SANS="$FONTDIR/DejaVuSans.ttf"
BOLD="$FONTDIR/DejaVuSans-Bold.ttf"
SERIFBOLD="$FONTDIR/DejaVuSerif-Bold.ttf"

# Usage: png OUTPUT CONVERT-ARGUMENTS...   (likewise jpg)
png() {
    out=$1
    shift
    convert "$@" -depth 8 -strip -define png:exclude-chunks=date,time -define png:compression-level=9 "$out"
}
jpg() {
    out=$1
    shift
    convert "$@" -strip -sampling-factor 4:2:0 -quality 82 "$out"
}

# Splash picture, 369 x 217: title and acknowledgements.
jpg splash.jpg -size 369x217 gradient:'#2b3a1e'-'#0d130a' \
    -fill '#c8b46a' -draw 'rectangle 0,64 369,65' -draw 'rectangle 0,190 369,190' \
    -font "$SERIFBOLD" -pointsize 40 -fill '#f0e6c0' -annotate +22+52 'Tessarine' \
    -font "$SANS" -pointsize 12 -fill '#c8b46a' -annotate +24+86 'Tessarine by ferro_lumen' \
    -fill '#e8e8e8' -pointsize 11 \
    -annotate +24+110 'Bots für deine Battlefield 1942 Map' \
    -annotate +24+134 'Mit Dank an:' \
    -annotate +36+151 'Qt  -  The Qt Company und die Qt-Gemeinschaft' \
    -annotate +36+167 'libjpeg  -  Independent JPEG Group' \
    -annotate +36+181 'LZO  -  Markus F.X.J. Oberhumer' \
    -fill '#a0a0a0' -pointsize 10 -annotate +24+205 'Klicke auf das Bild, um es zu schließen.'

# Window icon, 32 x 32: a "T" on a green shield.
png tessarine.png -size 32x32 xc:none -fill '#3d5a24' -stroke '#1b2810' -strokewidth 1 \
    -draw 'roundrectangle 1,1 30,30 5,5' -stroke none \
    -font "$BOLD" -pointsize 24 -fill '#f0e6c0' -gravity center -annotate +0+1 'T'

# Map icon (tab 1), 33 x 33: a folded map sheet with a pin.
png map.png -size 33x33 xc:none -stroke '#5a4a20' -strokewidth 1 -fill '#e9dca0' \
    -draw 'polygon 2,6 11,3 21,6 31,3 31,28 21,31 11,28 2,31' \
    -stroke '#8a7a40' -draw 'line 11,3 11,28' -draw 'line 21,6 21,31' \
    -stroke none -fill '#4f8a2c' -draw 'ellipse 15,19 7,5 0,360' \
    -fill '#d02020' -draw 'circle 16,12 16,15'

# Game-folder icon (tab 3), 36 x 37: a folder with "BF".
png gamefolder.png -size 36x37 xc:none -stroke '#7a5a10' -strokewidth 1 -fill '#e8c050' \
    -draw 'polygon 2,8 13,8 16,11 33,11 33,33 2,33' \
    -fill '#f4d470' -draw 'polygon 2,14 33,14 33,33 2,33' -stroke none \
    -font "$BOLD" -pointsize 11 -fill '#4a3000' -annotate +9+29 'BF'

# Network icons (tab 3), 33 x 33: the map archive and the addon archive.
archive_icon() { # $1 output, $2 colour, $3 label
    png "$1" -size 33x33 xc:none -stroke '#303030' -strokewidth 1 -fill "$2" \
        -draw 'roundrectangle 4,3 28,29 3,3' -fill '#ffffff' -draw 'rectangle 4,9 28,12' \
        -stroke none -font "$BOLD" -pointsize 8 -fill '#ffffff' -gravity center \
        -annotate +0+6 "$3"
}
archive_icon netmap.png '#2c5f8a' 'MAP'
archive_icon netaddon.png '#8a4a2c' 'ADD'

# Area editor: placeholder map picture, 512 x 512, with a grid of 64 pixels.
jpg map-placeholder.jpg -size 512x512 xc:'#5d7040' -fill none -stroke '#7d9060' -strokewidth 1 \
    -draw 'path "M 64,0 L 64,512 M 128,0 L 128,512 M 192,0 L 192,512 M 256,0 L 256,512 M 320,0 L 320,512 M 384,0 L 384,512 M 448,0 L 448,512"' \
    -draw 'path "M 0,64 L 512,64 M 0,128 L 512,128 M 0,192 L 512,192 M 0,256 L 512,256 M 0,320 L 512,320 M 0,384 L 512,384 M 0,448 L 512,448"' \
    -stroke none -font "$SANS" -pointsize 18 -fill '#e8f0d8' -gravity center \
    -annotate +0+0 'Orientierungsbild laden'

# Corner markers (1 x 1) and their flags (41 x 49); the pole's foot is at (24, 48), the point.
png marker-green.png -size 1x1 xc:'#00ff00'
png marker-red.png -size 1x1 xc:'#ff0000'
flag() { # $1 output, $2 colour
    png "$1" -size 41x49 xc:none -fill '#202020' -draw 'rectangle 23,2 24,48' \
        -fill "$2" -stroke '#202020' -strokewidth 1 -draw 'polygon 25,3 40,10 25,17'
}
flag flag-green.png '#00c000'
flag flag-red.png '#e00000'

# Frame bar of a completed area, stretched along the rectangle's edge.
png bar.png -size 5x5 xc:'#ffff00'

# Picture button "Fertig" at the foot of the area tab, 97 x 41.
png fertig.png -size 97x41 xc:none -fill '#3d5a24' -stroke '#1b2810' -strokewidth 1 \
    -draw 'roundrectangle 1,1 95,39 6,6' -stroke none \
    -font "$BOLD" -pointsize 15 -fill '#f0e6c0' -gravity center -annotate +0+0 'Fertig'
