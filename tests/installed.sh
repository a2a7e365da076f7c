#!/bin/sh
# usage: installed.sh install|deb BUILD_DIR WINDOW_PROBE
# install: installs BUILD_DIR into a temporary prefix with cmake --install.
# deb:     makes the .deb with CPack and unpacks it into a temporary root.
# Either way the installed tree must hold the menu entry, its icon, the
# manual page, the licence and the changelog where a desktop looks for them;
# then the installed `firework` command is started from another, empty
# directory and driven with real keys (keys_end_to_end.sh): the window must
# open, show the textured r burst and quit on ESC with status 0.
set -u
mode=$1
build=$2
probe=$3
here=$(cd "$(dirname "$0")" && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir "$scratch/elsewhere"

case $mode in
install)
  cmake --install "$build" --prefix "$scratch/prefix" >/dev/null || exit 1
  prefix=$scratch/prefix
  ;;
deb)
  (cd "$build" && cpack -G DEB -B "$scratch/package" >/dev/null) || exit 1
  package=$(ls "$scratch"/package/firework_*.deb) || exit 1
  dpkg-deb -f "$package" Depends | grep -q libglut || { echo "installed: the package names no GLUT dependency"; exit 1; }
  dpkg-deb -x "$package" "$scratch/root" || exit 1
  prefix=$scratch/root/usr
  ;;
*)
  echo "usage: installed.sh install|deb BUILD_DIR WINDOW_PROBE" >&2
  exit 2
  ;;
esac

for file in share/applications/firework.desktop share/man/man6/firework.6.gz share/doc/firework/copyright \
  share/doc/firework/changelog.gz share/icons/hicolor/48x48/apps/firework.png; do
  [ -s "$prefix/$file" ] || { echo "installed: no $file"; exit 1; }
done
icon=$prefix/share/icons/hicolor/128x128/apps/firework.png
file "$icon" | grep -q 'PNG image data, 128 x 128' || { echo "installed: no 128 x 128 icon: $(file "$icon")"; exit 1; }
command=$prefix/games/firework
[ -x "$command" ] || { echo "installed: no $command"; exit 1; }
"$here/keys_end_to_end.sh" "$command" "$probe" "$scratch/elsewhere"
