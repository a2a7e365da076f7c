#!/bin/sh
# usage: tools/make_icon.sh   (after a build)
# Makes the icons, all from one picture of the real window: the menu's,
# packaging/icons/SIZE.png at 48, 128 and 256 pixels square, and the web
# page's, web/site/icons/SIZE.png at 192 and 512, reduced to a 256-colour palette
# to keep them small. tools/screenshot.sh pictures the r burst a moment
# after the key, while it is still round and close to its launch point (145
# pixels above the window's centre), and the square around it is cut out
# and scaled. Needs what screenshot.sh needs.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

"$root/tools/screenshot.sh" 0.1 "$scratch/window.png"
# 300 x 300 pixels around (400, 175): the burst with a dark margin.
pngtopam "$scratch/window.png" | pamcut -left 250 -top 25 -width 300 -height 300 >"$scratch/square.pam"
scale() {
  pamscale -width "$1" -height "$1" -filter sinc "$scratch/square.pam"
}
mkdir -p "$root/packaging/icons" "$root/web/site/icons"
for size in 48 128 256; do
  scale "$size" | pnmtopng -compression 9 >"$root/packaging/icons/$size.png"
  echo "wrote packaging/icons/$size.png"
done
for size in 192 512; do
  scale "$size" | pnmquant 256 2>/dev/null | pnmtopng -compression 9 >"$root/web/site/icons/$size.png"
  echo "wrote web/site/icons/$size.png"
done
