#!/usr/bin/env bash
# Builds the benchmark programs and runs them: natively without sanitizers, and under Wine.
#   tools/bench.sh [name-regex]          (build folder: ./build, or $TWK_BUILD_DIR)
# Benchmarks take what they need as arguments or defaults; each prints its own figures.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${TWK_BUILD_DIR:-$root/build}
filter=${1:-.}

"$root/tools/setup.sh"
"$root/tools/fetch-miniaudio.sh" "$build/deps/miniaudio" >/dev/null
if [ ! -f "$build/bench-native/build.ninja" ]; then
  cmake -S "$root" -B "$build/bench-native" -G Ninja -DTWK_MINIAUDIO_DIR="$build/deps/miniaudio" \
    -DTWK_SANITIZE=OFF -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
cmake --build "$build/bench-native"
"$root/tools/build.sh" "$build" windows

for exe in "$build"/bench-native/*_bench; do
  [ -x "$exe" ] || continue
  name=$(basename "$exe")
  [[ $name =~ $filter ]] || continue
  echo "== native $name"
  "$exe"
done
for exe in "$build"/windows/*_bench.exe; do
  [ -f "$exe" ] || continue
  name=$(basename "$exe" .exe)
  [[ $name =~ $filter ]] || continue
  echo "== wine $name"
  "$root/tools/with-xvfb.sh" "$root/tools/wine-run" "$build/windows" "$exe"
done
