#!/bin/sh
# usage: on_wine_display.sh COMMAND...
# Runs a window test of firework.exe on the current X display, its programs
# started by run_exe.sh (FIREWORK_RUNNER). Wine's desktop process stays with
# the display it was first started on, so the prefix's wine server is ended
# before the test and after it, and the next test's display is the one its
# programs get.
set -u
export FIREWORK_RUNNER="$(cd "$(dirname "$0")" && pwd)/run_exe.sh"
wineserver -k 2>/dev/null
wineserver -w
"$@"
status=$?
wineserver -k 2>/dev/null
wineserver -w
exit "$status"
