#!/bin/sh
# usage: tools/screenshot.sh [SECONDS [OUTPUT]]   (after a build)
# Makes OUTPUT (default docs/screenshot.png): starts the built firework on a
# private Xvfb server, waits for the start-up burst to leave the view,
# presses r, and takes the window's picture SECONDS (default 0.2) after the
# burst.
# Needs xvfb, xdotool and netpbm (for pnmtopng).
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
delay=${1:-0.2}
output=$(realpath -m "${2:-$root/docs/screenshot.png}")
if [ -z "${SCREENSHOT_ON_DISPLAY:-}" ]; then
  SCREENSHOT_ON_DISPLAY=1 exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"
fi

probe=$root/build/tools/window_probe
cd "$root/data"
"$root/build/app/firework" >/dev/null &
pid=$!
trap 'kill $pid 2>/dev/null' EXIT
timeout 20 xdotool search --sync --name '^Particle System: Firework$' >/dev/null
xdotool mousemove 600 400
# A second of dark in a row: the start-up burst has gone (the window is
# black, too, for the moment before its first frame).
dark=0
while [ "$dark" -lt 5 ]; do
  if "$probe" measure | grep -q '^lit 0 '; then dark=$((dark + 1)); else dark=0; fi
  sleep 0.2
done
xdotool key r
sleep "$delay"
"$probe" save "$root/build/screenshot.ppm"
pnmtopng -compression 9 "$root/build/screenshot.ppm" >"$output"
echo "wrote $output"
