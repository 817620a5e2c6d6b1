#!/usr/bin/env bash
# Screenshots of Tarnwick playing the demo folder under Xvfb: full mode, list hidden and mini
# mode, as PNG files in the folder given.   tools/screenshots.sh <output-folder>
# The player runs in a Wine prefix of its own (<build>/screenshots) with fresh settings; its
# modes are switched by sending the window the buttons' commands (112 mini mode, 113 list)
# with the send_command helper the build makes.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${TWK_BUILD_DIR:-$root/build}
out=${1:?usage: screenshots.sh <output-folder>}

if [ -z "${TWK_SCREENSHOTS_INNER:-}" ]; then
  "$root/tools/setup.sh"
  "$root/tools/build.sh" "$build" windows
  mkdir -p "$out"
  out=$(cd "$out" && pwd)
  command -v import >/dev/null || { echo "screenshots: ImageMagick's import is needed" >&2; exit 1; }
  TWK_SCREENSHOTS_INNER=1 exec "$root/tools/with-xvfb.sh" "$0" "$out"
fi

tree="$build/screenshots"
exe="$build/windows/Tarnwick.exe"
send="$build/windows/send_command.exe"
wineserver=/usr/lib/wine/wineserver
[ -x "$wineserver" ] || wineserver=wineserver
mkdir -p "$tree"
# Fresh settings every time: no mode or rectangle left over from an earlier run.
rm -rf "$tree"/wineprefix/drive_c/users/*/AppData/Local/Tarnwick

player=""
cleanup() {
  if [ -n "$player" ] && kill -0 "$player" 2>/dev/null; then kill "$player" 2>/dev/null || true; fi
  WINEPREFIX="$tree/wineprefix" "$wineserver" -k >/dev/null 2>&1 || true
}
trap cleanup EXIT

"$root/tools/wine-run" "$tree" "$exe" "Z:$root/tools/demo" &
player=$!

shot() {
  # A moment for the window to repaint after the change.
  sleep 1
  import -window root "$out/$1.png"
  echo "screenshots: $out/$1.png"
}

"$root/tools/wine-run" "$tree" "$send" --wait-playing
shot full
"$root/tools/wine-run" "$tree" "$send" 113
shot list-hidden
"$root/tools/wine-run" "$tree" "$send" 113 112
shot mini
"$root/tools/wine-run" "$tree" "$send" 112 --close
wait "$player" || true
player=""
