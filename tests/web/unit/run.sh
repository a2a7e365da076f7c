#!/bin/sh
# usage: run.sh TEST_FILE...
# The site's modules that need no page, under node's own test runner. A
# missing node skips (exit 77), except in CI, where it fails.
if ! command -v node >/dev/null 2>&1; then
  echo "web.unit: node is not installed"
  [ -n "${CI:-}" ] && exit 1
  exit 77
fi
exec node --expose-gc --test "$@"
