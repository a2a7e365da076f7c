#!/bin/sh
# usage: tools/make_icon.sh   (after a build)
# Makes the menu icon, packaging/icons/SIZE.png at 48, 128 and 256 pixels
# square, from the real window: tools/screenshot.sh pictures the r burst a
# moment after the key, while it is still round and close to its launch
# point (145 pixels above the window's centre), and the square around it is
# cut out and scaled. Needs what screenshot.sh needs.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

"$root/tools/screenshot.sh" 0.1 "$scratch/window.png"
# 300 x 300 pixels around (400, 175): the burst with a dark margin.
pngtopam "$scratch/window.png" | pamcut -left 250 -top 25 -width 300 -height 300 >"$scratch/square.pam"
mkdir -p "$root/packaging/icons"
for size in 48 128 256; do
  pamscale -width "$size" -height "$size" -filter sinc "$scratch/square.pam" |
    pnmtopng -compression 9 >"$root/packaging/icons/$size.png"
  echo "wrote packaging/icons/$size.png"
done
