#!/bin/sh
# usage: with_chromium.sh COMMAND...
# Runs a browser test when Debian's Chromium and node are installed. Without
# them it exits 77, which CTest counts as a skip, except in CI (CI set),
# where an untested page is a failure.
set -u
for program in "${CHROMIUM:-/usr/bin/chromium}" node; do
  command -v "$program" >/dev/null 2>&1 && continue
  if [ -n "${CI:-}" ]; then
    echo "with_chromium: $program is missing, and CI runs every browser test" >&2
    exit 1
  fi
  echo "with_chromium: skipped: install chromium and nodejs (apt-get install chromium nodejs) to test the page" >&2
  exit 77
done
exec "$@"
