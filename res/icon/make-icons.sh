#!/bin/sh
# Renders the application icon from boxferry.svg: PNGs of every size the desktop and the window use, and
# boxferry.ico (icon resource 128 of the Windows build) holding the sizes Windows asks for.
# Needs rsvg-convert (librsvg2-bin) and ImageMagick's convert. Run from anywhere; writes beside itself.
set -eu
cd "$(dirname "$0")"
for size in 16 32 48 64 128 256; do
  rsvg-convert -w "$size" -h "$size" -o "boxferry-$size.png" boxferry.svg
done
# -strip keeps the files free of dates, so the outputs change only when the picture does.
for size in 16 32 48 64 128 256; do
  convert "boxferry-$size.png" -strip "png32:boxferry-$size.png"
done
convert boxferry-16.png boxferry-32.png boxferry-48.png boxferry-64.png boxferry-128.png boxferry-256.png \
  -strip boxferry.ico
