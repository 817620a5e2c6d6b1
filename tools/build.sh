#!/usr/bin/env bash
# Configures and builds the trees of one build folder:
#   tools/build.sh <build-dir> [native|windows|fuzz|all]
# native: portable core and its tests with ASan/UBSan; windows: everything, for Wine;
# fuzz: libFuzzer targets built with clang.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:?usage: build.sh <build-dir> [native|windows|fuzz|all]}
which=${2:-all}
mkdir -p "$build"
build=$(cd "$build" && pwd)
jobs=${TWK_JOBS:-$(nproc)}

"$root/tools/fetch-miniaudio.sh" "$build/deps/miniaudio"
common=(-G Ninja -DTWK_MINIAUDIO_DIR="$build/deps/miniaudio")
# Where ccache is installed, builds of several checkouts share one compiler cache.
if command -v ccache >/dev/null; then
  common+=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi

configure() {
  local tree=$1; shift
  if [ ! -f "$build/$tree/build.ninja" ]; then
    cmake -S "$root" -B "$build/$tree" "${common[@]}" "$@" >"$build/$tree.configure.log" 2>&1 ||
      { cat "$build/$tree.configure.log"; return 1; }
  fi
}

build_tree() {
  local tree=$1; shift
  configure "$tree" "$@"
  cmake --build "$build/$tree" -j "$jobs"
}

case "$which" in
  native|all) build_tree native -DCMAKE_C_COMPILER=gcc -DCMAKE_CXX_COMPILER=g++ ;;&
  windows|all) build_tree windows -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" ;;&
  fuzz|all) build_tree fuzz -DTWK_FUZZ=ON -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ ;;&
  native|windows|fuzz|all) ;;
  *) echo "build.sh: unknown tree '$which'" >&2; exit 2 ;;
esac

# One ctest run over all trees that exist.
{
  for tree in native windows fuzz; do
    if [ -f "$build/$tree/CTestTestfile.cmake" ]; then echo "subdirs(\"$tree\")"; fi
  done
} > "$build/CTestTestfile.cmake"
