#!/bin/sh
# Screenshots of the button page (a menu and a submenu open) and its four popups in the real
# program on a simulated mouse, under a virtual X server.
#   skin/button_screenshots.sh [build folder] [output folder]
set -eu
build=${1:-build}
out=${2:-$build/button-shots}
ninja -C "$build" z7-button-shots
mkdir -p "$out"
xvfb-run -a -s "-screen 0 1280x800x24" "$build/skin/z7-button-shots" "$out"
echo "screenshots in $out"
