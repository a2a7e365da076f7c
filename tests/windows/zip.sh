#!/bin/sh
# usage: zip.sh BUILD_DIR UNPACKED_DIR
# Makes the Windows zip with CPack from BUILD_DIR and unpacks it into
# UNPACKED_DIR, for the window tests: it must hold firework.exe, particle.bmp,
# LICENSE and README.txt in one folder, and nothing else. firework.exe must
# need no DLL but OpenGL's, GLU's and those every Windows has: its import
# table (objdump -p) names no other.
set -u
build=$1
unpacked=$2
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() {
  echo "zip: $*"
  exit 1
}

(cd "$build" && cpack -G ZIP -B "$scratch" >/dev/null) || fail "cpack did not make the zip"
zip=$(ls "$scratch"/firework-*-windows-x86_64.zip) || fail "no firework-<version>-windows-x86_64.zip"
rm -rf "$unpacked"
mkdir -p "$unpacked"
(cd "$unpacked" && cmake -E tar xf "$zip") || fail "$zip does not unpack"
folder=$(basename "$zip" .zip)
listing=$(cd "$unpacked" && find . -type f | sort | tr '\n' ' ')
expected="./$folder/LICENSE ./$folder/README.txt ./$folder/firework.exe ./$folder/particle.bmp "
[ "$listing" = "$expected" ] || fail "the zip holds $listing, expected $expected"
grep -q 'double-click firework.exe' "$unpacked/$folder/README.txt" || fail "README.txt says not how to start it"

# The DLLs of every Windows: the system's own, its C runtime, OpenGL and GLU.
system='^(kernel32|user32|gdi32|winmm|advapi32|shell32|ole32|msvcrt|opengl32|glu32)\.dll$'
dlls=$(x86_64-w64-mingw32-objdump -p "$unpacked/$folder/firework.exe" | sed -n 's/^[[:space:]]*DLL Name: //p')
[ -n "$dlls" ] || fail "no import table read from firework.exe"
others=$(echo "$dlls" | tr 'A-Z' 'a-z' | grep -Ev "$system")
[ -z "$others" ] || fail "firework.exe needs DLLs that Windows does not come with: $others"
echo "zip: passed ($zip; imports $(echo "$dlls" | tr '\n' ' '))"
