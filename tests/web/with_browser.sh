#!/bin/sh
# usage: with_browser.sh ENGINE COMMAND...
# Runs a browser test in ENGINE (chromium, firefox or webkit) when that
# engine's Debian package and node are installed: FIREWORK_BROWSER tells the
# test which engine to drive. Firefox and WebKit draw WebGL in a window, so
# without a display they run under xvfb-run. Without what they need they
# exit 77, which CTest counts as a skip, except in CI (CI set), where an
# untested page is a failure.
set -u
engine=$1
shift
case $engine in
  chromium) needs="${CHROMIUM:-/usr/bin/chromium} node"; package=chromium ;;
  firefox) needs="/usr/bin/firefox-esr node xvfb-run"; package=firefox-esr ;;
  webkit) needs="/usr/bin/WebKitWebDriver node xvfb-run"; package=webkit2gtk-driver ;;
  *) echo "with_browser: no engine '$engine'" >&2; exit 2 ;;
esac
for program in $needs; do
  command -v "$program" >/dev/null 2>&1 && continue
  if [ -n "${CI:-}" ]; then
    echo "with_browser: $program is missing, and CI runs every browser test" >&2
    exit 1
  fi
  echo "with_browser: skipped: install $package, nodejs and xvfb to test the page in $engine" >&2
  exit 77
done
export FIREWORK_BROWSER="$engine"
if [ "$engine" != chromium ] && [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1920x1440x24" "$@"
fi
exec "$@"
