#!/usr/bin/env bash
# Makes the MP4 and ASF test files in tests/data/containers/ and the fuzz seeds in
# fuzz/corpus/mp4/ and fuzz/corpus/asf/. Needs ffmpeg and python3; the results are committed,
# so builds and CI never run this.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
data="$root/tests/data/containers"
mkdir -p "$data" "$root/fuzz/corpus/mp4" "$root/fuzz/corpus/asf"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

ff() { ffmpeg -hide_banner -loglevel error -y -bitexact "$@"; }
sine() { echo -f lavfi -i "sine=frequency=440:duration=$1"; }

cat >"$work/chapters.txt" <<'META'
;FFMETADATA1
title=Book Title
artist=Book Author
[CHAPTER]
TIMEBASE=1/1000
START=0
END=1250
title=Opening
[CHAPTER]
TIMEBASE=1/1000
START=1250
END=2500
title=Middle Ünïcode
[CHAPTER]
TIMEBASE=1/1000
START=2500
END=3000
title=Ending
META

aac=(-c:a aac -b:a 24k -ac 1 -ar 22050)

# M4A with iTunes-style title and artist.
ff $(sine 1) "${aac[@]}" -metadata title="Tëst Títle ♪" -metadata artist="Tëst Ärtist" \
  "$data/tagged.m4a"

# M4B with both a QuickTime chapter track and Nero chapters (ffmpeg writes both).
ff $(sine 3) -i "$work/chapters.txt" -map 0 -map_metadata 1 -map_chapters 1 "${aac[@]}" \
  -f ipod "$data/chapters.m4b"

# Nero chapters only: ffmpeg's 3GP muxer writes chpl but no chapter track.
ff $(sine 3) -i "$work/chapters.txt" -map 0 -map_chapters 1 "${aac[@]}" -f 3gp "$data/nero.m4a"

# WMA with title, author and album artist.
ff $(sine 1) -c:a wmav2 -b:a 32k -ac 1 -ar 22050 -metadata title="Wma Títle" \
  -metadata artist="Wma Artist" -metadata album_artist="Album Guy" "$data/tagged.wma"

python3 - "$data" "$root/fuzz/corpus" <<'PY'
import struct, sys, os
data, corpus = sys.argv[1], sys.argv[2]

def boxes(d, s, e):
    while s + 8 <= e:
        size, kind = struct.unpack('>I4s', d[s:s + 8])
        yield kind, s, s + size
        s += size

def find(d, s, e, kind):
    return next((b for b in boxes(d, s, e) if b[0] == kind), None)

# Upper-case the Nero chapter titles of the M4B so that tests can tell which kind was read.
path = os.path.join(data, 'chapters.m4b')
d = bytearray(open(path, 'rb').read())
moov = find(d, 0, len(d), b'moov')
udta = find(d, moov[1] + 8, moov[2], b'udta')
chpl = find(d, udta[1] + 8, udta[2], b'chpl')
assert chpl and find(d, moov[1] + 8, moov[2], b'trak'), 'ffmpeg wrote no chapters'
pos, count = chpl[1] + 8 + 9, d[chpl[1] + 8 + 8]
for _ in range(count):
    length = d[pos + 8]
    d[pos + 9:pos + 9 + length] = bytes(d[pos + 9:pos + 9 + length]).upper()
    pos += 9 + length
open(path, 'wb').write(d)

# Seeds: the real files (their first 64 KiB) and a few hand-built ones.
for name in os.listdir(data):
    kind = 'asf' if name.endswith('.wma') else 'mp4'
    open(os.path.join(corpus, kind, name), 'wb').write(open(os.path.join(data, name), 'rb').read()[:65536])

def box(kind, *children):
    body = b''.join(children)
    return struct.pack('>I', 8 + len(body)) + kind + body

def full(kind, version, body):
    return box(kind, bytes([version, 0, 0, 0]) + body)

def item(kind, text, data_type=1):
    return box(kind, box(b'data', struct.pack('>I', data_type) + b'\0\0\0\0' + text))

ilst = box(b'ilst', item(b'\xa9nam', 'UTF-16 title'.encode('utf-16-be'), 2), item(b'\xa9ART', b'Artist'))
samples = [b'\xfe\xff' + 'Big'.encode('utf-16-be'), b'\xff\xfe' + 'Little'.encode('utf-16-le'), b'Plain']
samples = [struct.pack('>H', len(s)) + s for s in samples]
chunk = 8 + 16  # the samples follow the empty ftyp and the 64-bit mdat header
stbl = box(b'stbl',
           full(b'stts', 0, struct.pack('>III', 1, 3, 600)),
           full(b'stsc', 0, struct.pack('>IIII', 1, 1, 3, 1)),
           full(b'stsz', 0, struct.pack('>II', 0, 3) + b''.join(struct.pack('>I', len(s)) for s in samples)),
           full(b'co64', 0, struct.pack('>IQ', 1, chunk)))
text_trak = box(b'trak', full(b'tkhd', 0, bytes(8) + struct.pack('>I', 2) + bytes(60)),
                box(b'mdia', full(b'mdhd', 0, bytes(8) + struct.pack('>II', 600, 1800) + bytes(4)),
                    box(b'minf', stbl)))
sound_trak = box(b'trak', full(b'tkhd', 1, bytes(16) + struct.pack('>I', 1) + bytes(72)),
                 box(b'tref', box(b'chap', struct.pack('>I', 2))),
                 box(b'mdia', full(b'mdhd', 1, bytes(16) + struct.pack('>IQ', 44100, 1 << 33) + bytes(4)),
                     full(b'hdlr', 0, b'\0\0\0\0soun' + bytes(13))))
nero = full(b'chpl', 1, bytes(4) + bytes([2]) + struct.pack('>Q', 20000000) + b'\x03Two' +
            struct.pack('>Q', 0) + b'\x03One')
moov = box(b'moov', box(b'udta', full(b'meta', 0, ilst), nero), sound_trak, text_trak)
mdat = struct.pack('>I4sQ', 1, b'mdat', 16 + sum(map(len, samples))) + b''.join(samples)
seed = box(b'ftyp', b'') + mdat + moov
open(os.path.join(corpus, 'mp4', 'hand-built.mp4'), 'wb').write(seed)
open(os.path.join(corpus, 'mp4', 'size-zero.mp4'), 'wb').write(box(b'ftyp', b'M4A ') + b'\0\0\0\0moov' + bytes(moov[8:]))

def guid(text):
    import uuid
    return uuid.UUID(text).bytes_le

def obj(g, body):
    return guid(g) + struct.pack('<Q', 24 + len(body)) + body

def header_object(*objects):
    body = b''.join(objects)
    return guid('75B22630-668E-11CF-A6D9-00AA0062CE6C') + struct.pack('<QIBB', 30 + len(body), len(objects), 1, 2) + body

def u16(text):
    return (text + '\0').encode('utf-16-le')

def descriptor(name, value, kind=0):
    n, v = u16(name), (u16(value) if kind == 0 else value)
    return struct.pack('<H', len(n)) + n + struct.pack('<HH', kind, len(v)) + v

ext = obj('D2D0A440-E307-11D2-97F0-00A0C95EA850', struct.pack('<H', 3) + descriptor('title', 'Ext Title') +
          descriptor('WM/Track', b'\1\0\0\0', 3) + descriptor('WM/AlbumArtist', 'Album Artist'))
cd = obj('75B22633-668E-11CF-A6D9-00AA0062CE6C', struct.pack('<5H', 2, 0, 0, 0, 0) + b'\0\0')
advanced = obj('43058533-6981-49E6-9B74-AD12CB86D58C', b'')
extension = obj('5FBF03B5-A92E-11CF-8EE3-00C00C205365', bytes(16) + struct.pack('<HI', 6, len(advanced)) + advanced)
open(os.path.join(corpus, 'asf', 'hand-built.wma'), 'wb').write(header_object(cd, ext, extension))
PY
ls -l "$data"
