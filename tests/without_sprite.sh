#!/bin/sh
# usage: without_sprite.sh FIREWORK
# Starts the firework where particle.bmp is missing, then where it has the
# wrong length. Each time the instructions must still come out on standard
# output, then one line naming the sprite on standard error, and the program
# must end with status 1 rather than open a black window. FIREWORK_RUNNER,
# if set, is the command that runs it (wine for firework.exe, whose lines
# end in CR LF, as Windows writes text; they are read without the CR).
set -u
program=$1
instructions=$(cd "$(dirname "$0")" && pwd)/instructions.txt
folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT
cd "$folder" || exit 1

failures=0
check() {
  case_name=$1
  ${FIREWORK_RUNNER:-} "$program" >raw-out 2>raw-err
  status=$?
  tr -d '\r' <raw-out >out
  tr -d '\r' <raw-err >err
  if [ "$status" -ne 1 ]; then
    echo "$case_name: exit status $status, expected 1"; failures=$((failures + 1))
  fi
  if ! cmp -s out "$instructions"; then
    echo "$case_name: standard output differs from the instructions:"; diff "$instructions" out; failures=$((failures + 1))
  fi
  if [ "$(wc -l <err)" -ne 1 ] || ! grep -q 'particle\.bmp.*working directory.*3072-byte headerless 32 x 32 RGB' err; then
    echo "$case_name: standard error is not the one line about particle.bmp:"; cat err; failures=$((failures + 1))
  fi
}

check "missing sprite"
# A 32 x 32 bitmap with its 54-byte header is 3126 bytes: not a raw sprite.
head -c 3126 /dev/zero >particle.bmp
check "sprite with a header"

[ "$failures" -eq 0 ] && echo "without_sprite: passed"
exit "$failures"
