#!/usr/bin/env bash
# Fetches miniaudio's header from Debian's libminiaudio-dev (newer suites than ours carry it)
# into <dest>/miniaudio.h, using the same mirror this machine's apt already uses.
# Nothing is installed system-wide. Quick when the header is already there.
set -euo pipefail
dest=${1:?usage: fetch-miniaudio.sh <dest-dir>}
mkdir -p "$dest"
if [ -s "$dest/miniaudio.h" ] && [ -s "$dest/VERSION" ]; then
  echo "miniaudio $(cat "$dest/VERSION") (cached in $dest)"
  exit 0
fi

mirror=""
if [ -f /etc/apt/sources.list.d/debian.sources ]; then
  mirror=$(awk '/^URIs:/ {print $2; exit}' /etc/apt/sources.list.d/debian.sources)
fi
if [ -z "$mirror" ] && [ -f /etc/apt/sources.list ]; then
  mirror=$(awk '$1 == "deb" && $2 !~ /security/ {print $2; exit}' /etc/apt/sources.list)
fi
[ -n "$mirror" ] || { echo "fetch-miniaudio: no Debian mirror found in the apt sources" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/lists/partial" "$work/cache/archives/partial" "$work/etc"
: > "$work/status"

# Newest first: unstable carries the latest decoder fixes, trixie is the fallback.
for suite in sid trixie; do
  echo "deb [trusted=yes] $mirror $suite main" > "$work/etc/sources.list"
  opts=(-o Dir::Etc::SourceList="$work/etc/sources.list" -o Dir::Etc::SourceParts=/dev/null
        -o Dir::State::Lists="$work/lists" -o Dir::Cache="$work/cache" -o Dir::State::Status="$work/status"
        -o Acquire::IndexTargets::deb::Contents-deb::DefaultEnabled=false
        -o Debug::NoLocking=1 -o APT::Sandbox::User=root)
  if ! apt-get -q "${opts[@]}" update >"$work/update.log" 2>&1; then
    echo "fetch-miniaudio: apt-get update for $suite failed" >&2
    continue
  fi
  version=$(apt-cache "${opts[@]}" show libminiaudio-dev 2>/dev/null | awk '/^Version:/ {print $2}' | sort -V | tail -n 1)
  [ -n "$version" ] || continue
  if (cd "$work" && apt-get -q "${opts[@]}" download "libminiaudio-dev=$version" >"$work/download.log" 2>&1); then
    deb=$(ls "$work"/libminiaudio-dev_*.deb | head -n 1)
    dpkg -x "$deb" "$work/x"
    header=$(find "$work/x" -name miniaudio.h | head -n 1)
    [ -n "$header" ] || { echo "fetch-miniaudio: no miniaudio.h in $deb" >&2; exit 1; }
    cp "$header" "$dest/miniaudio.h"
    echo "$version" > "$dest/VERSION"
    echo "miniaudio $version (libminiaudio-dev from $suite)"
    exit 0
  fi
done
echo "fetch-miniaudio: could not download libminiaudio-dev" >&2
exit 1
