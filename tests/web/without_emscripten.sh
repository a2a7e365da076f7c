#!/bin/sh
# The web preset's only test on a machine without Emscripten: a skip (77),
# except in CI, where the browser build must be tested.
echo "web: Emscripten is not installed (apt-get install emscripten): the browser build was not made" >&2
[ -n "${CI:-}" ] && exit 1
exit 77
