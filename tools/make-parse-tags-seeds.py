#!/usr/bin/env python3
"""Writes the seed corpus of the parse_tags fuzz target (fuzz/corpus/parse_tags/): the first
64 KiB of each tagged fixture in tests/data/tags/, hand-built tags for the rarer paths, and the
fixtures rearranged so that their tags lie behind cover art or audio (as
tests/support/tag_layouts.h does with far bigger blocks).
Each seed is: selector byte, tail-length byte, image (see fuzz/parse_tags_fuzz.cpp)."""
import os
import struct

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
FIXTURES = os.path.join(ROOT, "tests", "data", "tags")
OUT = os.path.join(ROOT, "fuzz", "corpus", "parse_tags")


def syncsafe(n):
    return bytes([(n >> 21) & 0x7F, (n >> 14) & 0x7F, (n >> 7) & 0x7F, n & 0x7F])


def frame(version, fid, body, flags2=0):
    if version == 2:
        return fid + struct.pack(">I", len(body))[1:] + body
    size = struct.pack(">I", len(body)) if version == 3 else syncsafe(len(body))
    return fid + size + bytes([0, flags2]) + body


def tag(version, body, flags=0):
    return b"ID3" + bytes([version, 0, flags]) + syncsafe(len(body)) + body


def chap(version, eid, start, title):
    sub = frame(version, b"TIT2", b"\x01\xff\xfe" + title.encode("utf-16-le"))
    return frame(version, b"CHAP", eid + b"\0" + struct.pack(">IIII", start, start + 1, 0xFFFFFFFF, 0xFFFFFFFF) + sub)


def ctoc(version, eid, flags, children):
    return frame(version, b"CTOC", eid + b"\0" + bytes([flags, len(children)]) + b"".join(c + b"\0" for c in children))


def id3v1(title, artist):
    return b"TAG" + title.ljust(30, b"\0") + artist.ljust(30, b"\0") + bytes(65)


def riff(chunks):
    def chunk(cid, data):
        return cid + struct.pack("<I", len(data)) + data + (b"\0" if len(data) & 1 else b"")
    body = b"".join(chunk(c, d) for c, d in chunks)
    return b"RIFF" + struct.pack("<I", 4 + len(body)) + b"WAVE" + body


def vorbis(comments):
    body = struct.pack("<I", 3) + b"abc" + struct.pack("<I", len(comments))
    body += b"".join(struct.pack("<I", len(c)) + c for c in comments)
    return bytes([0x84]) + struct.pack(">I", len(body))[1:] + body


BULK = 3000
# Selector: code page 0, budget 4096, windows of at least 64 bytes.
SMALL_READS = 0 + 5 * 2 + 20 * 2


def fixture(name):
    with open(os.path.join(FIXTURES, name), "rb") as f:
        return f.read()


def flac_picture_first():
    data = fixture("vorbis.flac")
    blocks, pos, last = [], 4, False
    while not last:
        last = data[pos] & 0x80
        n = int.from_bytes(data[pos + 1:pos + 4], "big")
        blocks.append(bytes([data[pos] & 0x7F]) + data[pos + 1:pos + 4 + n])
        pos += 4 + n
    picture = struct.pack(">II", 3, 9) + b"image/png" + struct.pack(">IIIIII", 0, 1, 1, 24, 0, BULK) + bytes(BULK)
    ordered = [blocks[0], bytes([6]) + struct.pack(">I", len(picture))[1:] + picture]
    ordered += [b for b in blocks[1:] if b[0] != 4] + [b for b in blocks[1:] if b[0] == 4]
    ordered[-1] = bytes([ordered[-1][0] | 0x80]) + ordered[-1][1:]
    return b"fLaC" + b"".join(ordered) + data[pos:pos + 200]


def wav_chunks():
    data = fixture("info.wav")
    chunks, pos = [], 12
    while pos + 8 <= len(data):
        n = struct.unpack("<I", data[pos + 4:pos + 8])[0]
        body = data[pos + 8:pos + 8 + n]
        chunks.append((data[pos:pos + 4], body + bytes(BULK) if data[pos:pos + 4] == b"data" else body))
        pos += 8 + n + (n & 1)
    return chunks


def mp3_art_first():
    data = fixture("id3v23_chapters.mp3")
    size = (data[6] << 21) | (data[7] << 14) | (data[8] << 7) | data[9]
    apic = frame(3, b"APIC", b"\0image/png\0\x03\0" + bytes(BULK))
    return data[:6] + syncsafe(size + len(apic)) + apic + data[10:10 + size] + data[10 + size:10 + size + 200]


def layouts():
    chunks = wav_chunks()
    yield "layout-flac-picture-first", flac_picture_first()
    yield "layout-wav-info-after-data", riff([c for c in chunks if c[0] != b"LIST"] + [c for c in chunks if c[0] == b"LIST"])
    yield "layout-wav-id3-after-data", riff(chunks + [(b"id3 ", tag(3, frame(3, b"TIT2", b"\0Id3 Title")))])
    yield "layout-mp3-art-first", mp3_art_first()


def seeds():
    for name in sorted(os.listdir(FIXTURES)):
        with open(os.path.join(FIXTURES, name), "rb") as f:
            data = f.read()
        yield "fixture-" + name, bytes([0, 128]) + data[:65536]

    chapters = ctoc(3, b"toc", 3, [b"b", b"a"]) + chap(3, b"a", 900, "Zwei") + chap(3, b"b", 100, "Eins")
    yield "id3v23-ctoc", bytes([0, 0]) + tag(3, frame(3, b"TIT2", b"\0Title") + chapters)
    yield "id3v24-ext-footer", bytes([3, 0]) + tag(4, syncsafe(6) + b"\x01\0" + frame(4, b"TIT2", b"\x03T\xc3\xadtulo") +
                                                  chap(4, b"c", 5, "x"), 0x50) + b"3DI\x04\0\x10" + syncsafe(40)
    yield "id3v23-ext", bytes([1, 0]) + tag(3, struct.pack(">I", 6) + bytes(6) + frame(3, b"TPE1", b"\x02\0A\0B"), 0x40)
    yield "id3v22", bytes([2, 0]) + tag(2, frame(2, b"TT2", b"\0\xca\xe8\xed\xee") + frame(2, b"TP1", b"\x01A\0"))
    yield "id3v23-unsync-v1", bytes([0, 128]) + tag(3, frame(3, b"TIT2", b"\0x"), 0x80) + bytes(20) + id3v1(b"Old", b"Band")
    yield "id3v24-flags", bytes([0, 0]) + tag(4, frame(4, b"TIT2", b"\0a", 0x01) + frame(4, b"TIT2", b"\0b"))
    image = riff([(b"fmt ", bytes(16)), (b"LIST", b"INFO" + b"INAM\x03\0\0\0abc\0IART\x02\0\0\0de"),
                     (b"id3 ", tag(3, frame(3, b"TIT2", b"\0Id3"))), (b"data", bytes(9))])
    yield "riff-info-id3", bytes([1, 0]) + image
    flac = b"fLaC" + bytes([0, 0, 0, 34]) + bytes(34) + vorbis([b"TITLE=T", b"artist=A", b"noequals"])
    yield "flac-after-id3", bytes([3, 0]) + tag(3, b"") + flac
    for name, image in layouts():
        yield name, bytes([0, 0]) + image
        yield name + "-small-reads", bytes([SMALL_READS, 0]) + image


def main():
    os.makedirs(OUT, exist_ok=True)
    for name, data in seeds():
        with open(os.path.join(OUT, name), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main()
