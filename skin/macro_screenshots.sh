#!/bin/sh
# Screenshots of the macro recording page (empty, recording, 30 events scrolled, a selection,
# the delay edits, Edit Key) in the real window on a simulated mouse, under a virtual X server.
#   skin/macro_screenshots.sh [build folder] [output folder]
set -eu
build=${1:-build}
out=${2:-$build/macro-shots}
ninja -C "$build" z7-macro-shots
mkdir -p "$out"
xvfb-run -a -s "-screen 0 1280x800x24" "$build/skin/z7-macro-shots" "$out"
echo "screenshots in $out"
