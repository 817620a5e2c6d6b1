#!/usr/bin/env bash
# Regenerates the tagged audio files in tests/data/tags/ from a generated sine with ffmpeg.
# The output is committed, so tests and CI need no encoder. Usage: tools/make-tag-fixtures.sh
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out="$root/tests/data/tags"
command -v ffmpeg >/dev/null || { echo "make-tag-fixtures: ffmpeg is needed" >&2; exit 1; }
mkdir -p "$out"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Title, artist and a chapter title with non-ASCII letters, so that ffmpeg picks its
# UTF-16 (ID3v2.3) and UTF-8 (ID3v2.4, INFO, Vorbis, MP4) encodings.
cat > "$work/meta.txt" <<'META'
;FFMETADATA1
title=Sine Überture
artist=Tarnwick Ensemble
[CHAPTER]
TIMEBASE=1/1000
START=0
END=300
title=Opening
[CHAPTER]
TIMEBASE=1/1000
START=300
END=650
title=Кода
[CHAPTER]
TIMEBASE=1/1000
START=650
END=1000
title=Finale
META

ff() { ffmpeg -hide_banner -loglevel error -nostdin -y "$@"; }
sine=(-f lavfi -i "sine=frequency=440:duration=1:sample_rate=22050")
tags=(-metadata "title=Sine Überture" -metadata "artist=Tarnwick Ensemble")
# -bitexact keeps encoder version strings out, so reruns give the same bytes.
common=(-bitexact -ac 1)

ff "${sine[@]}" -i "$work/meta.txt" -map 0:a -map_metadata 1 -map_chapters 1 "${common[@]}" \
  -c:a libmp3lame -b:a 32k -id3v2_version 3 "$out/id3v23_chapters.mp3"
ff "${sine[@]}" -i "$work/meta.txt" -map 0:a -map_metadata 1 -map_chapters 1 "${common[@]}" \
  -c:a libmp3lame -b:a 32k -id3v2_version 4 "$out/id3v24_chapters.mp3"
# ffmpeg writes ID3v1 only next to ID3v2 and in UTF-8, so this one gets a Latin-1 ID3v1
# tag (title in code page 1252) appended by hand.
ff "${sine[@]}" "${common[@]}" -c:a libmp3lame -b:a 32k -id3v2_version 0 "$out/id3v1_only.mp3"
python3 - "$out/id3v1_only.mp3" <<'PY'
import sys
def field(text, size):
    return text.encode("cp1252").ljust(size, b"\0")
tag = b"TAG" + field("Sine Überture", 30) + field("Tarnwick Ensemble", 30) + field("", 30)
tag += field("", 4) + field("", 30) + bytes([255])
with open(sys.argv[1], "ab") as f:
    f.write(tag)
PY
ff "${sine[@]}" "${tags[@]}" "${common[@]}" -c:a flac "$out/vorbis.flac"
ff -f lavfi -i "sine=frequency=440:duration=0.5:sample_rate=8000" "${tags[@]}" "${common[@]}" \
  -c:a pcm_s16le "$out/info.wav"
ff "${sine[@]}" "${tags[@]}" "${common[@]}" -c:a aac -b:a 24k "$out/title.m4a"
ff "${sine[@]}" -i "$work/meta.txt" -map 0:a -map_metadata 1 -map_chapters 1 "${common[@]}" \
  -c:a aac -b:a 24k -f ipod "$out/chapters.m4b"
ff "${sine[@]}" "${tags[@]}" "${common[@]}" -c:a wmav2 -b:a 32k "$out/title_author.wma"

ls -l "$out"
