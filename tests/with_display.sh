#!/bin/sh
# Runs a command that needs an X display: in a private Xvfb server when
# xvfb-run is installed, else on $DISPLAY. With neither it exits 77, which
# CTest counts as a skip, except in CI (CI set), where a skip would hide an
# untested window and so is a failure.
set -u
if command -v xvfb-run >/dev/null 2>&1; then
  # 24-bit colour and room for the 800 x 600 window at (200, 100).
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "$@"
fi
if [ -n "${DISPLAY:-}" ]; then
  exec "$@"
fi
if [ -n "${CI:-}" ]; then
  echo "with_display: no xvfb-run and no DISPLAY, and CI runs every window test" >&2
  exit 1
fi
echo "with_display: skipped: install xvfb (apt-get install xvfb) to run the window tests" >&2
exit 77
