#!/bin/sh
# usage: keys_end_to_end.sh FIREWORK WINDOW_PROBE DATA_FOLDER
# Starts the built firework in DATA_FOLDER on the current X display and
# presses real keys in its window with xdotool, watching the window with
# WINDOW_PROBE: the window is titled "Particle System: Firework" and is
# 800 x 600, capitals do nothing, r relaunches the firework from (0, 8, 0),
# which shows 8 units above the window's centre, ESC ends the program with
# status 0, and the instructions came out on standard output.
# FIREWORK_RUNNER, if set, is the command that runs it (Wine, for
# firework.exe).
set -u
firework=$1
probe=$2
instructions=$(cd "$(dirname "$0")" && pwd)/instructions.txt
output=$(mktemp)
trap 'rm -f "$output"' EXIT
cd "$3" || exit 1

${FIREWORK_RUNNER:-} "$firework" >"$output" &
pid=$!
fail() {
  echo "keys_end_to_end: $*"
  kill "$pid" 2>/dev/null
  exit 1
}
# Prints "lit N X Y" for the window: lit pixels and their centre.
measure() { "$probe" measure; }
lit() { measure | cut -d' ' -f2; }

window=$(timeout 60 xdotool search --sync --name '^Particle System: Firework$' | head -n 1)
[ -n "$window" ] || fail "the window never opened"
size=$(xdotool getwindowgeometry "$window" | sed -n 's/^ *Geometry: //p')
[ "$size" = 800x600 ] || fail "the window is $size, expected 800x600"
# A bare X server gives the keyboard to the window under the pointer.
xdotool mousemove 600 400

# The start-up burst is in view for some 650 frames, then gone for good.
# Only a second of dark in a row counts: the window is black, too, for the
# moment before its first frame.
tries=0
dark=0
while [ "$dark" -lt 5 ]; do
  tries=$((tries + 1))
  [ "$tries" -le 300 ] || fail "the start-up burst never left the view"
  if [ "$(lit)" = 0 ]; then dark=$((dark + 1)); else dark=0; fi
  sleep 0.2
done

# Capital letters, digits and the like are not commands.
xdotool key R W S A D Z C 1 space
sleep 0.3
for _ in 1 2 3; do
  [ "$(lit)" = 0 ] || fail "a key other than the seven letters relaunched the firework: $(measure)"
  sleep 0.1
done

# r, pressed again and again, keeps the burst near its launch point: 8 units
# above the middle is 145 pixels above the centre row of a 600-pixel window.
xdotool key --repeat 30 --delay 50 r &
keys=$!
sleep 0.5
seen=$(measure)
wait "$keys"
set -- $seen
[ "$2" -gt 0 ] || fail "r did not relaunch the firework"
[ "$3" -ge 360 ] && [ "$3" -le 440 ] || fail "r burst is not centred across the window: $seen"
[ "$4" -ge 110 ] && [ "$4" -le 200 ] || fail "r burst is not 8 units above the middle: $seen"

xdotool key Escape
tries=0
while kill -0 "$pid" 2>/dev/null; do
  tries=$((tries + 1))
  [ "$tries" -le 100 ] || fail "ESC did not end the program"
  sleep 0.1
done
wait "$pid"
status=$?
[ "$status" -eq 0 ] || fail "ESC ended the program with status $status, expected 0"
# Windows writes its text lines with CR LF.
tr -d '\r' <"$output" | cmp -s - "$instructions" || fail "standard output is not the instructions: $(cat "$output")"
echo "keys_end_to_end: passed (r burst seen as: $seen)"
