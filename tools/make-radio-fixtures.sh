#!/usr/bin/env bash
# Regenerates the internet-radio fixtures in tests/data/radio/ with ffmpeg: short MP3 and
# ADTS AAC tones that tools/servers/icy_server.py loops as station streams. Each file has its
# own tone, so a capture tells which one played and at what pitch. The output is committed,
# so tests and CI need no encoder. Usage: tools/make-radio-fixtures.sh
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out="$root/tests/data/radio"
command -v ffmpeg >/dev/null || { echo "make-radio-fixtures: ffmpeg is needed" >&2; exit 1; }
mkdir -p "$out"

# make <name> <tone Hz> <rate> <codec options...>
make() {
  local name=$1 tone=$2 rate=$3; shift 3
  ffmpeg -hide_banner -loglevel error -y \
    -f lavfi -i "sine=frequency=$tone:sample_rate=$rate:duration=3" \
    -ac 2 -map_metadata -1 -fflags +bitexact -flags:a +bitexact "$@" "$out/$name"
}

# Bare frames only (no ID3 tag, no Xing frame), so that the looped file is a clean stream.
make tone440_44100.mp3 440 44100 -c:a libmp3lame -b:a 128k -write_xing 0 -id3v2_version 0 -f mp3
make tone880_48000.mp3 880 48000 -c:a libmp3lame -b:a 128k -write_xing 0 -id3v2_version 0 -f mp3
make tone440_44100.aac 440 44100 -c:a aac -b:a 96k -f adts
make tone660_48000.aac 660 48000 -c:a aac -b:a 96k -f adts
# A low rate for the test that fills the twenty-minute ring: a fifth of the decoding work.
make tone440_8000.mp3 440 8000 -c:a libmp3lame -b:a 24k -write_xing 0 -id3v2_version 0 -f mp3
