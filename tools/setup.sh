#!/usr/bin/env bash
# Installs what Tarnwick's build, tests and run need on Debian 12 (run as root; uses sudo
# otherwise). Idempotent and quick when everything is already there.
set -euo pipefail

packages=(
  cmake ninja-build g++ clang libclang-rt-14-dev     # native and fuzz trees
  g++-mingw-w64-x86-64-posix mingw-w64-tools          # the Windows cross compiler, windres
  googletest                                          # GoogleTest sources for every tree
  wine64 xvfb xauth                                   # running and testing the program
  gstreamer1.0-plugins-base gstreamer1.0-plugins-good # Media Foundation under Wine
  gstreamer1.0-plugins-ugly gstreamer1.0-libav
  python3 ca-certificates imagemagick                 # test servers, miniaudio fetch, screenshots
)

missing=()
for p in "${packages[@]}"; do
  [[ $p == \#* ]] && continue
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

sudo=""
[ "$(id -u)" = 0 ] || sudo=sudo
echo "setup: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -q
$sudo apt-get install -y -q "${missing[@]}"
