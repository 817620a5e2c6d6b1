#!/usr/bin/env bash
# Writes base/natural_ranks.inc from what StrCmpLogicalW answers under Wine (locale en-US).
#   tools/make-natural-ranks.sh [build-dir]   (a configured windows tree for its Wine prefix)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
x86_64-w64-mingw32-g++-posix -std=c++20 -O2 -static -o "$work/natural-ranks.exe" \
  "$root/tools/natural-ranks.cpp" -lshlwapi
LANG=en_US.UTF-8 "$root/tools/wine-run" "$build/windows" "$work/natural-ranks.exe" |
  tr -d '\r' >"$work/natural_ranks.inc"
mv "$work/natural_ranks.inc" "$root/base/natural_ranks.inc"
