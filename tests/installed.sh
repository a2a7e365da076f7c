#!/bin/sh
# usage: installed.sh install|deb BUILD_DIR WINDOW_PROBE
# install: installs BUILD_DIR into a temporary prefix with cmake --install.
# deb:     makes the .deb with CPack and unpacks it into a temporary root.
# Either way it then starts the installed `firework` command from another,
# empty directory and drives it with real keys (keys_end_to_end.sh): the
# window must open, show the textured r burst and quit on ESC with status 0.
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
  command=$scratch/prefix/bin/firework
  ;;
deb)
  (cd "$build" && cpack -G DEB -B "$scratch/package" >/dev/null) || exit 1
  package=$(ls "$scratch"/package/firework_*.deb) || exit 1
  dpkg-deb -f "$package" Depends | grep -q libglut || { echo "installed: the package names no GLUT dependency"; exit 1; }
  dpkg-deb -x "$package" "$scratch/root" || exit 1
  command=$scratch/root/usr/bin/firework
  ;;
*)
  echo "usage: installed.sh install|deb BUILD_DIR WINDOW_PROBE" >&2
  exit 2
  ;;
esac

[ -x "$command" ] || { echo "installed: no $command"; exit 1; }
"$here/keys_end_to_end.sh" "$command" "$probe" "$scratch/elsewhere"
