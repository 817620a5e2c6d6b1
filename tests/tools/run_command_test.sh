#!/usr/bin/env bash
# tools/run.sh as a user meets it: a HOME and XDG data folder of its own (its .asoundrc sends
# the default ALSA device to a file), two tones played in order through the user's prefix,
# settings.ini kept there; a later run restores from there; the tests' prefixes and the
# user's stay apart.   run_command_test.sh <windows-build-tree>
set -euo pipefail
tree=$(cd "${1:?usage: run_command_test.sh <windows-build-tree>}" && pwd)
build=$(dirname "$tree")
root=$(cd "$(dirname "$0")/../.." && pwd)
if [ -z "${DISPLAY:-}" ]; then
  exec "$root/tools/with-xvfb.sh" bash "$0" "$@"
fi
. "$root/tools/wine-common.sh"
twk_find_wine
for program in Tarnwick.exe send_command.exe command_line_test.exe; do
  [ -f "$tree/$program" ] || { echo "run_command_test: $tree/$program is not built" >&2; exit 1; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/twk_run_command.XXXXXX")
user_home=$work/home
data_home=$work/data
prefix=$data_home/tarnwick/wineprefix
capture=$work/capture.f32
player=""
cleanup() {
  if [ -n "$player" ] && kill -0 "$player" 2>/dev/null; then kill "$player" 2>/dev/null || true; fi
  if [ -d "$prefix" ]; then WINEPREFIX=$prefix "$twk_wineserver" -k >/dev/null 2>&1 || true; fi
  rm -rf "$work"
}
trap cleanup EXIT
trap "exit 143" TERM INT HUP
fail() {
  echo "run_command_test: FAIL: $*" >&2
  for log in "$work"/*.log; do
    [ -f "$log" ] && { echo "--- $log" >&2; cat "$log" >&2; }
  done
  exit 1
}
# wait_for <seconds> <command...>: true once the command succeeds, false when time is up.
wait_for() {
  local deadline=$((SECONDS + $1))
  shift
  until "$@"; do
    [ "$SECONDS" -lt "$deadline" ] || return 1
    sleep 0.2
  done
}
running() { kill -0 "$player" 2>/dev/null; }
stopped() { ! running; }
# As the user runs it, with the build already done; PulseAudio (if the machine has one) is
# kept out so that Wine takes ALSA and the .asoundrc here.
as_user() {
  env HOME="$user_home" XDG_DATA_HOME="$data_home" PULSE_SERVER=unix:/nonexistent \
    TWK_RUN_SKIP_BUILD=1 TWK_BUILD_DIR="$build" "$@"
}
close_player() {
  as_user "$root/tools/wine-user" "$tree/send_command.exe" --close >>"$work/send.log" 2>&1 ||
    fail "send_command could not close the player"
  wait_for 60 stopped || fail "the player did not close"
  wait "$player" || fail "run.sh ended with $?"
  player=""
}
# The program's data written since the stamp into any prefix under the build folder (the
# tests' and the screenshots'). Wine's own files are left out: a test's wineserver outliving
# its program saves the registry on its way out.
touched_since() {
  find "$build" -path '*/AppData/Local/Tarnwick/*' -newer "$1" 2>/dev/null || true
}

mkdir -p "$user_home" "$data_home" "$work/music"
cat >"$user_home/.asoundrc" <<ASOUND
pcm.!default {
  type file
  slave.pcm "null"
  file "$capture"
  format "raw"
}
ASOUND
python3 - "$work/music" <<'PY'
import math, struct, sys, wave
for name, frequency in (("01 low.wav", 440.0), ("02 high.wav", 660.0)):
    with wave.open(f"{sys.argv[1]}/{name}", "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(44100)
        w.writeframes(b"".join(
            struct.pack("<h", round(12000 * math.sin(2 * math.pi * frequency * i / 44100)))
            for i in range(2 * 44100)))
PY

# The first run on a fresh prefix, with a second first start of the same prefix beside it:
# the prefix is prepared once.
stamp=$work/stamp
touch "$stamp"
as_user bash "$root/tools/run.sh" "$work/music" >"$work/run1.log" 2>&1 &
player=$!
as_user "$root/tools/wine-user" cmd /c exit >"$work/second-start.log" 2>&1 ||
  fail "a second first start of the prefix failed"

# 100 ms windows of the left channel: A is 440 Hz, B 660 Hz, - silence, ? anything else. Exit 0
# when both tones are there (all of A before all of B), 1 while they are not yet, 2 when the
# order is wrong.
analyse() {
  python3 - "$capture" <<'PY'
import array, re, sys
try:
    data = open(sys.argv[1], "rb").read()
except OSError:
    sys.exit(1)
samples = array.array("f")
samples.frombytes(data[: len(data) // 8 * 8])
left = samples[0::2]
rate = 48000  # Wine's mixing rate
window = rate // 10
labels = []
for start in range(0, len(left) - window + 1, window):
    part = left[start : start + window]
    if max(abs(v) for v in part) < 0.05:
        labels.append("-")
        continue
    crossings = sum(1 for a, b in zip(part, part[1:]) if (a < 0) != (b < 0))
    frequency = crossings / 2 / 0.1
    labels.append("A" if abs(frequency - 440) < 15 else "B" if abs(frequency - 660) < 20 else "?")
seen = "".join(labels)
print(seen)
if re.search(r"B.*A", seen):
    sys.exit(2)
# Two seconds each; a window lost to a busy machine is not the fault looked for here.
sys.exit(0 if seen.count("A") >= 15 and seen.count("B") >= 15 else 1)
PY
}
heard() {
  local status=0
  analyse >"$work/analysis.log" || status=$?
  [ "$status" -eq 2 ] && fail "the tones came in the wrong order: $(cat "$work/analysis.log")"
  running || [ "$status" -eq 0 ] || fail "run.sh ended before both tones were heard"
  [ "$status" -eq 0 ]
}
wait_for 240 heard || fail "both tones were not heard in 240 s: $(cat "$work/analysis.log")"
echo "run_command_test: heard $(cat "$work/analysis.log")"
close_player

prepared=$(cat "$work/run1.log" "$work/second-start.log" | grep -c 'preparing the Wine prefix' || true)
[ "$prepared" -eq 1 ] || fail "the prefix was prepared $prepared times"
shopt -s nullglob
settings=("$prefix"/drive_c/users/*/AppData/Local/Tarnwick/settings.ini)
shopt -u nullglob
[ ${#settings[@]} -eq 1 ] || fail "no settings.ini in the user's prefix $prefix"
grep -q "keeps its data in the Wine prefix $prefix" "$work/run1.log" || fail "run.sh did not say where"
written=$(touched_since "$stamp")
[ -z "$written" ] || fail "data written under the build folder: $written"

# A later run without a folder restores from the user's prefix, which is ready by now.
as_user bash "$root/tools/run.sh" >"$work/run2.log" 2>&1 &
player=$!
wait_for 60 grep -q 'starting Tarnwick' "$work/run2.log" || fail "the second run did not start"
grep -qF "restoring the last session (settings: ${settings[0]})" "$work/run2.log" ||
  fail "the second run did not restore from the user's prefix"
! grep -q 'preparing the Wine prefix' "$work/run2.log" || fail "the prefix was prepared again"
close_player

touched=$(touched_since "$stamp")
[ -z "$touched" ] || fail "running the program touched the tests' prefixes: $touched"

# The tests' runner keeps to the tests' prefix: a test program run through it with this user's
# HOME and data folder leaves both as they were.
timeout 60 env WINEPREFIX="$prefix" "$twk_wineserver" -w || true
touch "$work/stamp2"
env HOME="$user_home" XDG_DATA_HOME="$data_home" \
  "$root/tools/wine-run" "$tree" "$tree/command_line_test.exe" >"$work/tests.log" 2>&1 ||
  fail "command_line_test failed under the tests' runner"
changed=$(find "$user_home" "$data_home" -newer "$work/stamp2")
[ -z "$changed" ] || fail "running a test touched the user's HOME or prefix: $changed"
echo "run_command_test: passed"
