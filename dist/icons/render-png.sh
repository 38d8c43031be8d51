#!/bin/sh
# Renders the committed PNG icons from the SVG. Run it after changing the SVG and commit the
# results; the build only installs them. Needs rsvg-convert (Debian package librsvg2-bin).
set -eu
cd "$(dirname "$0")"
for size in 16 22 24 32 48 64 128 256; do
  rsvg-convert --width "$size" --height "$size" org.orvoftp.OrvoFTP.svg \
    --output "org.orvoftp.OrvoFTP-$size.png"
done
