#!/bin/sh
# usage: lint.sh format SOURCE_DIR
#        lint.sh tidy SOURCE_DIR BUILD_DIR
# Checks every C++ file of the project with clang-format (layout) or
# clang-tidy (using BUILD_DIR/compile_commands.json). A missing tool skips
# (exit 77), except in CI, where it fails.
set -u
mode=$1
source_dir=$2
tool=clang-$mode
if ! command -v "$tool" >/dev/null 2>&1; then
  echo "lint: $tool is not installed"
  [ -n "${CI:-}" ] && exit 1
  exit 77
fi
cd "$source_dir" || exit 1
# web/ builds only for the browser, so clang-tidy, which reads the desktop
# build's compile commands, checks the rest; clang-format checks it all.
files() {
  find app particles sprite data tools tests bench "$@" -name '*.cpp' -o -name '*.h' 2>/dev/null | sort
}
case $mode in
format)
  files web | xargs clang-format --dry-run --Werror
  ;;
tidy)
  # g++ builds in C++17 by default, so the compile commands carry no -std.
  files | grep '\.cpp$' | xargs -P 2 -n 4 clang-tidy --quiet -p "$3" --extra-arg=-std=c++17
  ;;
*)
  echo "usage: lint.sh format SOURCE_DIR | lint.sh tidy SOURCE_DIR BUILD_DIR" >&2
  exit 2
  ;;
esac
