#!/usr/bin/env bash
# Builds Tarnwick and starts it under Wine:  tools/run.sh [folder-or-file ...]
# It runs in a Wine prefix of your own, ${XDG_DATA_HOME:-~/.local/share}/tarnwick/wineprefix
# (tools/wine-user), with your HOME and your sound set-up; settings.ini, listening.log and the
# resume positions live there, outside the sources and the build folder, so a fresh clone or
# `rm -rf build` keeps them. The tests never use this prefix.
# With no argument, the first run (no settings.ini in the prefix yet) opens the demo folder
# tools/demo/; later runs without an argument restore the last session.
# Uses your display when DISPLAY is set, else a private Xvfb display (nothing to see then).
# TWK_RUN_SKIP_BUILD=1 starts what is already built (the run command's own test does).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${TWK_BUILD_DIR:-$root/build}
. "$root/tools/wine-common.sh"

if [ "${TWK_RUN_SKIP_BUILD:-0}" != 1 ]; then
  "$root/tools/setup.sh"
  "$root/tools/build.sh" "$build" windows
fi

exe="$build/windows/Tarnwick.exe"
if [ ! -f "$exe" ]; then
  echo "run: $exe was not built" >&2
  exit 1
fi

prefix="$(twk_user_data_dir)/wineprefix"
echo "run: Tarnwick keeps its data in the Wine prefix $prefix"

args=()
for path in "$@"; do
  args+=("Z:$(realpath "$path")")
done
if [ ${#args[@]} -eq 0 ]; then
  # The settings live under the prefix's local application data of whichever user Wine made.
  shopt -s nullglob
  settings=("$prefix"/drive_c/users/*/AppData/Local/Tarnwick/settings.ini)
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
  exec "$root/tools/with-xvfb.sh" "$root/tools/wine-user" "$exe" "${args[@]}"
fi
echo "run: starting Tarnwick on your display $DISPLAY"
exec "$root/tools/wine-user" "$exe" "${args[@]}"
