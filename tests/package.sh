#!/bin/sh
# usage: package.sh BUILD_DIR
# Checks the .deb as a Debian desktop takes it in: CPack makes it from
# BUILD_DIR, lintian finds no error and no warning in it, its menu entry
# passes desktop-file-validate without a word, and its manual page renders
# without a warning. A missing tool skips (exit 77), except in CI, where it
# fails.
set -u
build=$1
for tool in lintian desktop-file-validate man; do
  command -v "$tool" >/dev/null 2>&1 && continue
  echo "package: $tool is missing (apt-get install lintian desktop-file-utils man-db)"
  [ -n "${CI:-}" ] && exit 1
  exit 77
done
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failures=0
fail() {
  echo "package: $1"
  cat "$2"
  failures=$((failures + 1))
}

(cd "$build" && cpack -G DEB -B "$scratch/package" >/dev/null) || exit 1
package=$(ls "$scratch"/package/firework_*.deb) || exit 1
dpkg-deb -x "$package" "$scratch/root" || exit 1

# Lintian's own notice that it runs as root goes to standard error.
lintian --fail-on error,warning "$package" >"$scratch/lintian" 2>/dev/null ||
  fail "lintian found errors or warnings:" "$scratch/lintian"

desktop-file-validate "$scratch/root/usr/share/applications/firework.desktop" >"$scratch/desktop" 2>&1
[ -s "$scratch/desktop" ] && fail "desktop-file-validate reports:" "$scratch/desktop"

MANWIDTH=80 man --warnings -l "$scratch/root/usr/share/man/man6/firework.6.gz" >"$scratch/page" 2>"$scratch/warnings"
[ -s "$scratch/warnings" ] && fail "the manual page renders with warnings:" "$scratch/warnings"
grep -q '^EXIT STATUS' "$scratch/page" || fail "the manual page has no EXIT STATUS section:" "$scratch/page"

[ "$failures" -eq 0 ] && echo "package: passed ($(basename "$package"))"
exit "$failures"
