#!/usr/bin/env bash
# Builds Tarnwick and starts it under Wine:  tools/run.sh [folder-or-file ...]
# With no argument, the first run (no settings.ini in the Wine prefix yet) opens the demo
# folder tools/demo/; later runs without an argument restore the last session.
# Uses your display when DISPLAY is set, else a private Xvfb display (nothing to see then).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${TWK_BUILD_DIR:-$root/build}

"$root/tools/setup.sh"
"$root/tools/build.sh" "$build" windows

tree="$build/windows"
exe="$tree/Tarnwick.exe"
if [ ! -f "$exe" ]; then
  echo "run: $exe was not built" >&2
  exit 1
fi

args=()
for path in "$@"; do
  args+=("Z:$(realpath "$path")")
done
if [ ${#args[@]} -eq 0 ]; then
  # The settings live under the prefix's local application data of whichever user Wine made.
  shopt -s nullglob
  settings=("$tree"/wineprefix/drive_c/users/*/AppData/Local/Tarnwick/settings.ini)
  shopt -u nullglob
  if [ ${#settings[@]} -eq 0 ]; then
    echo "run: first run, opening the demo folder $root/tools/demo"
    args+=("Z:$root/tools/demo")
  else
    echo "run: restoring the last session (settings: ${settings[0]})"
  fi
fi

if [ -z "${DISPLAY:-}" ]; then
  echo "run: no DISPLAY; starting Tarnwick on a private Xvfb display (it will not be visible)"
  exec "$root/tools/with-xvfb.sh" "$root/tools/wine-run" "$tree" "$exe" "${args[@]}"
fi
echo "run: starting Tarnwick on your display $DISPLAY"
exec "$root/tools/wine-run" "$tree" "$exe" "${args[@]}"
