#!/usr/bin/env bash
# Builds Tarnwick and starts it under Wine:  tools/run.sh [folder-or-file ...]
# Uses the display you have, or a private Xvfb display when there is none.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${TWK_BUILD_DIR:-$root/build}

"$root/tools/setup.sh"
"$root/tools/build.sh" "$build" windows

exe="$build/windows/Tarnwick.exe"
if [ ! -f "$exe" ]; then
  echo "run: Tarnwick.exe is not part of the build yet (it comes with the main window)." >&2
  exit 1
fi

args=()
for path in "$@"; do
  args+=("Z:$(realpath "$path")")
done
if [ -z "${DISPLAY:-}" ]; then
  echo "run: no display; starting Tarnwick on a private Xvfb display"
  exec "$root/tools/with-xvfb.sh" "$root/tools/wine-run" "$build/windows" "$exe" "${args[@]}"
fi
exec "$root/tools/wine-run" "$build/windows" "$exe" "${args[@]}"
