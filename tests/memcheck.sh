#!/bin/sh
# usage: memcheck.sh FIREWORK DATA_FOLDER SUPPRESSIONS
# Runs the real firework under valgrind memcheck on the current X display
# for a few dozen frames (software OpenGL under valgrind draws about two a
# second), presses r, then ESC. Fails on any invalid read or write, any use
# of uninitialised memory, and any definite or indirect leak that is not
# Mesa's (see SUPPRESSIONS). A missing valgrind skips (exit 77), except in
# CI, where it fails.
set -u
firework=$1
suppressions=$3
cd "$2" || exit 1
if ! command -v valgrind >/dev/null 2>&1; then
  echo "memcheck: valgrind is not installed"
  [ -n "${CI:-}" ] && exit 1
  exit 77
fi

log=$(mktemp)
trap 'rm -f "$log"' EXIT
# Mesa unloads its driver when the display closes, which would leave the
# driver's frames unnamed in the leak report; preloading keeps it mapped so
# the suppressions can name it.
LD_PRELOAD=/usr/lib/x86_64-linux-gnu/dri/swrast_dri.so \
  valgrind --error-exitcode=9 --leak-check=full --show-leak-kinds=definite,indirect \
  --errors-for-leak-kinds=definite,indirect --num-callers=40 --suppressions="$suppressions" \
  --log-file="$log" "$firework" >/dev/null &
pid=$!

if ! timeout 120 xdotool search --sync --name '^Particle System: Firework$' >/dev/null; then
  kill "$pid" 2>/dev/null
  cat "$log"
  echo "memcheck: the window never opened"
  exit 1
fi
xdotool mousemove 600 400
sleep 10
xdotool key r
sleep 5
xdotool key Escape
wait "$pid"
status=$?

grep -E 'ERROR SUMMARY|definitely lost|indirectly lost|Invalid (read|write)' "$log"
if [ "$status" -ne 0 ]; then
  cat "$log"
  echo "memcheck: failed with status $status"
  exit 1
fi
echo "memcheck: passed"
