#!/bin/sh
# Takes the gallery's screenshots under a virtual X server.
#   skin/screenshots.sh [build folder] [output folder]
set -eu
build=${1:-build}
out=${2:-$build/gallery-shots}
ninja -C "$build" z7-gallery
mkdir -p "$out"
xvfb-run -a -s "-screen 0 1280x800x24" "$build/skin/z7-gallery" --screenshots "$out"
echo "screenshots in $out"
