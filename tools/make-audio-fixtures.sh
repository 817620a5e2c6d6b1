#!/usr/bin/env bash
# Regenerates the decoding fixtures in tests/data/audio/ from a generated sine with ffmpeg.
# The output is committed, so tests and CI need no encoder. Usage: tools/make-audio-fixtures.sh
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out="$root/tests/data/audio"
command -v ffmpeg >/dev/null || { echo "make-audio-fixtures: ffmpeg is needed" >&2; exit 1; }
mkdir -p "$out"

# make <name> <rate> <channels> <seconds> <codec options...>
make() {
  local name=$1 rate=$2 channels=$3 seconds=$4; shift 4
  ffmpeg -hide_banner -loglevel error -y \
    -f lavfi -i "sine=frequency=440:sample_rate=$rate:duration=$seconds" \
    -ac "$channels" -map_metadata -1 -fflags +bitexact -flags:a +bitexact "$@" "$out/$name"
}

# Each format at both rates, mono and stereo between them.
make sine44_stereo.mp3 44100 2 2 -c:a libmp3lame -b:a 64k
make sine48_mono.mp3 48000 1 2 -c:a libmp3lame -b:a 32k
make sine44_mono.flac 44100 1 1 -c:a flac
make sine48_stereo.flac 48000 2 1 -c:a flac
make sine44_stereo.wav 44100 2 1 -c:a pcm_s16le
make sine48_mono.wav 48000 1 1 -c:a pcm_s16le

# 20 s of a tone that steps up 100 Hz every second (300 Hz in second 0): where a seek by an
# estimated byte offset landed shows in the frequency that follows it.
ffmpeg -hide_banner -loglevel error -y \
  -f lavfi -i "aevalsrc=0.5*sin(2*PI*(300+100*floor(t))*t):s=44100:d=20" \
  -ac 2 -map_metadata -1 -fflags +bitexact -flags:a +bitexact -c:a libmp3lame -b:a 64k \
  "$out/steps20.mp3"

# MP3 content behind a .flac name: opened through the retry with the unknown format.
cp "$out/sine44_stereo.mp3" "$out/mp3_named.flac"
# A FLAC cut short in its first audio frame: the header promises more than there is.
head -c 3000 "$out/sine44_mono.flac" > "$out/truncated.flac"
# damaged_frame.flac is not made here: it is an input the decoder fuzz target found (a FLAC
# whose second frame fails to decode), kept as it was.
# A zero-byte file.
: > "$out/empty.mp3"

# Seeds of the decoder fuzz target: very short files behind the byte that picks the format
# (0 unknown, 1 MP3, 2 WAV, 3 FLAC).
seeds="$root/fuzz/corpus/decoder"
mkdir -p "$seeds"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
make_seed() {
  local selector=$1 name=$2 rate=$3 channels=$4; shift 4
  ffmpeg -hide_banner -loglevel error -y \
    -f lavfi -i "sine=frequency=440:sample_rate=$rate:duration=0.1" \
    -ac "$channels" -map_metadata -1 -fflags +bitexact -flags:a +bitexact "$@" "$work/$name"
  { printf "\\x$selector"; cat "$work/$name"; } > "$seeds/$name"
}
make_seed 01 short.mp3 22050 1 -c:a libmp3lame -b:a 32k
make_seed 00 short_unknown.mp3 44100 2 -c:a libmp3lame -b:a 64k
make_seed 02 short.wav 8000 2 -c:a pcm_s16le
make_seed 03 short.flac 8000 1 -c:a flac
make_seed 02 short_float.wav 8000 1 -c:a pcm_f32le
make_seed 03 short_24.flac 16000 2 -c:a flac -sample_fmt s32
