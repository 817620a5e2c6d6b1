# shellcheck shell=bash
# Sourced by tools/wine-run (the tests' prefixes), tools/wine-user and tools/run.sh (the user's
# own prefix): where the user's data lives, finding Wine, and making a prefix ready once.

# The user's Tarnwick folder: ${XDG_DATA_HOME:-$HOME/.local/share}/tarnwick (a relative
# XDG_DATA_HOME is ignored, as the XDG rules say).
twk_user_data_dir() {
  local base=${XDG_DATA_HOME:-}
  case "$base" in
    /*) ;;
    *) base="${HOME:?HOME is not set}/.local/share" ;;
  esac
  echo "$base/tarnwick"
}

# Sets twk_wine and twk_wineserver.
twk_find_wine() {
  twk_wine=/usr/lib/wine/wine64
  [ -x "$twk_wine" ] || twk_wine=$(command -v wine64 || command -v wine || true)
  if [ -z "$twk_wine" ]; then
    echo "wine: Wine is not installed (tools/setup.sh installs it)" >&2
    exit 1
  fi
  twk_wineserver=$(dirname "$twk_wine")/wineserver
  [ -x "$twk_wineserver" ] || twk_wineserver=wineserver
  # No Mono or Gecko installer on a fresh prefix, and no menu entries or file associations
  # written into the desktop.
  export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
}

# twk_prepare_prefix <lock-file> [message]: initialises $WINEPREFIX (wineboot) unless it is
# ready, saying the message first. The lock makes a second first start wait for the first
# instead of booting the same prefix at the same time.
twk_prepare_prefix() {
  local lock=$1 message=${2:-}
  [ -f "$WINEPREFIX/.twk-ready" ] && return 0
  mkdir -p "$(dirname "$lock")"
  exec 9>"$lock"
  flock 9
  if [ ! -f "$WINEPREFIX/.twk-ready" ]; then
    [ -z "$message" ] || echo "$message" >&2
    # Not inherited by Wine's processes: the lock ends when this script lets it go.
    "$twk_wine" wineboot --init >/dev/null 2>&1 </dev/null 9>&- || true
    "$twk_wineserver" -w 9>&- || true
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
      exec 9>&-
      echo "wine: could not initialise the Wine prefix $WINEPREFIX" >&2
      return 1
    fi
    touch "$WINEPREFIX/.twk-ready"
  fi
  exec 9>&-
}
