#!/usr/bin/env bash
# Makes the Media Foundation decoding test files in tests/data/mf/: tones of known frequency
# and level (ffmpeg's sine source, amplitude 1/8) in AAC/MP4 and WMA, damaged copies, and
# WMAs marked as protected by hand. Needs ffmpeg and python3; the results are committed, so
# builds and CI never run this.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
data="$root/tests/data/mf"
mkdir -p "$data"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

ff() { ffmpeg -hide_banner -loglevel error -y -bitexact "$@"; }
# tones <seconds> <frequency>...: one sine input per channel.
tones() {
  local seconds=$1; shift
  for f in "$@"; do echo -f lavfi -i "sine=frequency=$f:duration=$seconds"; done
}
# join <layout> <channel>...: input n becomes the n-th named channel (join's own order differs).
join() {
  local layout=$1 map="" n=0; shift
  for c in "$@"; do map+="${map:+|}$n.0-$c"; n=$((n + 1)); done
  echo -filter_complex "join=inputs=$n:channel_layout=$layout:map=$map"
}

# Stereo AAC: 440 Hz left, 660 Hz right.
ff $(tones 3 440 660) $(join stereo FL FR) -c:a aac -b:a 64k -ar 44100 "$data/stereo.m4a"

# Mono AAC at another rate.
ff $(tones 3 1000) -c:a aac -b:a 32k -ar 22050 "$data/mono.m4a"

# Six channels (5.1: FL FR FC LFE BL BR), a tone each, so the first two can be told apart.
ff $(tones 2 500 750 1250 60 1750 2250) $(join 5.1 FL FR FC LFE BL BR) -c:a aac -b:a 128k -ar 48000 \
  "$data/six_channel.m4a"

# An audiobook with chapters (ffmpeg writes a QuickTime chapter track and Nero chapters).
cat >"$work/chapters.txt" <<'META'
;FFMETADATA1
title=Book
[CHAPTER]
TIMEBASE=1/1000
START=0
END=2000
title=One
[CHAPTER]
TIMEBASE=1/1000
START=2000
END=4000
title=Two
META
ff $(tones 4 550) -i "$work/chapters.txt" -map 0 -map_chapters 1 -c:a aac -b:a 32k -ac 1 \
  -ar 32000 -f ipod "$data/chapters.m4b"

# WMA version 2, stereo.
ff $(tones 3 440 660) $(join stereo FL FR) -c:a wmav2 -b:a 64k -ar 44100 "$data/stereo.wma"

# The moov first, so that cutting the file cuts only sample data.
ff -i "$data/stereo.m4a" -c copy -movflags +faststart "$work/faststart.m4a"

python3 - "$data" "$work" <<'PY'
import os, random, struct, sys, uuid
data, work = sys.argv[1], sys.argv[2]

def boxes(d, s, e):
    while s + 8 <= e:
        size, kind = struct.unpack('>I4s', d[s:s + 8])
        yield kind, s, s + size
        s += size

def find(d, s, e, kind):
    return next(b for b in boxes(d, s, e) if b[0] == kind)

def read(path):
    with open(path, 'rb') as f:
        return f.read()

def write(name, b):
    with open(os.path.join(data, name), 'wb') as f:
        f.write(b)

# Damaged files: an M4A whose mdat stops half-way, one with garbage after its moov (the
# moov is last there), and a WMA cut in half.
m4a = read(os.path.join(work, 'faststart.m4a'))
write('truncated_mdat.m4a', m4a[:len(m4a) * 55 // 100])
rng = random.Random(12)
write('garbage_after_moov.m4a', read(os.path.join(data, 'stereo.m4a')) + bytes(rng.randrange(256) for _ in range(6000)))
wma = read(os.path.join(data, 'stereo.wma'))
write('half.wma', wma[:len(wma) // 2])

# An M4A whose sound track's mdhd says 132000 frames (2.993 s), within 10 ms of the 3 s that
# the movie header and the edit list give Media Foundation, and shorter than the decoded data.
b = bytearray(read(os.path.join(data, 'stereo.m4a')))
moov = find(b, 0, len(b), b'moov')
trak = find(b, moov[1] + 8, moov[2], b'trak')
mdia = find(b, trak[1] + 8, trak[2], b'mdia')
mdhd = find(b, mdia[1] + 8, mdia[2], b'mdhd')
assert b[mdhd[1] + 8] == 0 and struct.unpack_from('>I', b, mdhd[1] + 20)[0] == 44100
struct.pack_into('>I', b, mdhd[1] + 24, 132000)
write('exact_length.m4a', bytes(b))

# Protected WMAs: the real stereo.wma with an encryption object added to its header, once at
# the top level and once inside the Header Extension Object.
def guid(text):
    return uuid.UUID(text).bytes_le

HEADER = guid('75B22630-668E-11CF-A6D9-00AA0062CE6C')
EXTENSION = guid('5FBF03B5-A92E-11CF-8EE3-00C00C205365')

def obj(g, body):
    return guid(g) + struct.pack('<Q', 24 + len(body)) + body

def grow_header(b, extra, count_extra):
    size, count = struct.unpack_from('<QI', b, 16)
    return b[:16] + struct.pack('<QI', size + extra, count + count_extra) + b[28:]

assert wma[:16] == HEADER
# Content Encryption Object: secret data, protection type "DRM", key ID and licence URL.
cenc = obj('2211B3FB-BD23-11D2-B4B7-00A0C955FC6E',
           struct.pack('<I', 4) + b'\x01\x02\x03\x04' + struct.pack('<I', 4) + b'DRM\0' +
           struct.pack('<I', 4) + b'key\0' + struct.pack('<I', 4) + b'url\0')
b = grow_header(wma, len(cenc), 1)
write('protected.wma', b[:30] + cenc + b[30:])

# Advanced Content Encryption Object (no content-encryption records) inside the extension.
advanced = obj('43058533-6981-49E6-9B74-AD12CB86D58C', struct.pack('<H', 0))
pos, end = 30, struct.unpack_from('<Q', wma, 16)[0]
while pos + 24 <= end and wma[pos:pos + 16] != EXTENSION:
    pos += struct.unpack_from('<Q', wma, pos + 16)[0]
assert wma[pos:pos + 16] == EXTENSION, 'ffmpeg wrote no Header Extension Object'
ext_size = struct.unpack_from('<Q', wma, pos + 16)[0]
data_size = struct.unpack_from('<I', wma, pos + 24 + 18)[0]
b = bytearray(grow_header(wma, len(advanced), 0))
struct.pack_into('<Q', b, pos + 16, ext_size + len(advanced))
struct.pack_into('<I', b, pos + 24 + 18, data_size + len(advanced))
insert = pos + 24 + 22 + data_size
write('protected_in_extension.wma', bytes(b[:insert]) + advanced + bytes(b[insert:]))
PY
ls -l "$data"
