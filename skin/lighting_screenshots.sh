#!/bin/sh
# Screenshots of the lighting page (each effect, a pick, lights off with sync, a menu, the help)
# on a simulated mouse under a virtual X server.
#   skin/lighting_screenshots.sh [build folder] [output folder]
set -eu
build=${1:-build}
out=${2:-$build/lighting-shots}
ninja -C "$build" z7-lighting-shots
mkdir -p "$out"
xvfb-run -a -s "-screen 0 1280x800x24" "$build/skin/z7-lighting-shots" "$out"
echo "screenshots in $out"
