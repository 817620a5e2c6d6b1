#!/usr/bin/env bash
# Builds every tree and runs every test: the portable core natively under ASan/UBSan, the
# Windows programs under Wine on a private Xvfb display, and the fuzz targets for a bounded time.
#   tools/test.sh            (build folder: ./build, or $TWK_BUILD_DIR)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${TWK_BUILD_DIR:-$root/build}

"$root/tools/setup.sh"
"$root/tools/build.sh" "$build" all

cleanup() {
  local prefix="$build/windows/wineprefix"
  if [ -d "$prefix" ]; then
    WINEPREFIX="$prefix" /usr/lib/wine/wineserver -k >/dev/null 2>&1 || true
  fi
}
trap cleanup EXIT

cd "$build"
"$root/tools/with-xvfb.sh" ctest --test-dir "$build" --output-on-failure -j "$(nproc)"
