#!/usr/bin/env bash
# Regenerates the demo folder tools/demo/: three short generated MP3 clips with titles, the
# folder tools/run.sh opens on a first run and tools/screenshots.sh plays. The clips are
# committed (about 100 KB), so running needs no encoder. Usage: tools/make-demo.sh
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out="$root/tools/demo"
command -v ffmpeg >/dev/null || { echo "make-demo: ffmpeg is needed" >&2; exit 1; }
mkdir -p "$out"

# clip <file> <title> <seconds> <expression>: a mono 22050 Hz MP3 at 32 kbit/s.
clip() {
  local file=$1 title=$2 seconds=$3 expr=$4
  ffmpeg -hide_banner -loglevel error -y \
    -f lavfi -i "aevalsrc=${expr}:s=22050:d=${seconds}" \
    -ac 1 -c:a libmp3lame -b:a 32k -fflags +bitexact -flags:a +bitexact \
    -metadata title="$title" -metadata artist="Tarnwick demo" -id3v2_version 3 "$out/$file"
}

# Plucked notes: each beat a tone of the chord, fading within its beat.
note() {  # note <frequency> <beat length> -> an expression for one repeating pluck
  echo "sin(2*PI*$1*t)*exp(-4*mod(t\\,$2))"
}
clip "01 Morning.mp3" "Morning" 8 "0.25*($(note 261.63 0.5))+0.2*($(note 329.63 1))+0.15*($(note 392 2))"
clip "02 Harbour.mp3" "Harbour" 8 "0.25*($(note 220 0.75))+0.2*($(note 277.18 1.5))+0.15*($(note 329.63 3))"
clip "03 Lanterns.mp3" "Lanterns" 8 "0.25*($(note 293.66 0.4))+0.2*($(note 369.99 0.8))+0.15*($(note 440 1.6))"
ls -l "$out"
