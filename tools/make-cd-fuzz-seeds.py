#!/usr/bin/env python3
"""Writes the seed corpus of the cd fuzz target: tables of contents (first byte even) and
CD-Text blocks (first byte odd), each a drive answer as the parsers receive it."""
import os
import struct
import sys

out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(
    os.path.dirname(os.path.abspath(__file__)), "..", "fuzz", "corpus", "cd")
os.makedirs(out, exist_ok=True)


def toc(entries, lead_out):
    body = b"".join(struct.pack(">BBBBI", 0, 0x10 | (4 if data else 0), n, 0, start)
                    for n, start, data in entries)
    body += struct.pack(">BBBBI", 0, 0x10, 0xAA, 0, lead_out)
    first = entries[0][0] if entries else 0
    last = entries[-1][0] if entries else 0
    return struct.pack(">HBB", len(body) + 2, first, last) + body


def crc16(data):
    crc = 0
    for b in data:
        crc ^= b << 8
        for _ in range(8):
            crc = ((crc << 1) ^ 0x1021) if crc & 0x8000 else crc << 1
            crc &= 0xFFFF
    return crc


def packs(kind, texts, sequence=0, block=0):
    stream, where = b"", []
    for i, t in enumerate(texts):
        raw = t.encode("latin-1") + b"\0"
        stream += raw
        where += [(i, min(k, 15)) for k in range(len(raw))]
    result = []
    for at in range(0, len(stream), 12):
        slot, pos = where[at]
        head = bytes([kind, slot, (sequence + len(result)) & 0xFF, (block << 4) | pos])
        result.append(head + stream[at:at + 12].ljust(12, b"\0"))
    return result


def cdtext(all_packs, zero_crc=False):
    body = b""
    for p in all_packs:
        crc = 0 if zero_crc else (~crc16(p)) & 0xFFFF
        body += p + struct.pack(">H", crc)
    return struct.pack(">HBB", len(body) + 2, 0, 0) + body


def write(name, selector, data):
    with open(os.path.join(out, name), "wb") as f:
        f.write(bytes([selector]) + data)


write("toc-audio", 0, toc([(1, 0, False), (2, 15000, False), (3, 30000, False)], 45000))
write("toc-mixed", 0, toc([(1, 0, True)] + [(n, 1000 * n, False) for n in range(2, 11)], 12000))
write("toc-enhanced", 0, toc([(1, 0, False), (2, 20000, False), (3, 60000, True)], 90000))
write("toc-decreasing", 0, toc([(1, 0, False), (3, 100, False), (2, 200, False)], 300))

titles = ["Generated Disc", "Opening", "\t", "A title long enough to span several packs"]
performers = ["The Testers", "", "Guest"]
valid = packs(0x80, titles) + packs(0x81, performers, sequence=len(packs(0x80, titles)))
write("cdtext-valid", 1, cdtext(valid))
write("cdtext-zero-crc", 3, cdtext(valid, zero_crc=True))
size_info = bytes([0x8F, 0, len(valid), 0, 0x80]) + bytes(11)
write("cdtext-ms-jis", 5, cdtext(valid + [size_info]))
write("cdtext-two-blocks", 1, cdtext(valid + packs(0x80, ["Album", "Eins"], sequence=40, block=1)))
write("cdtext-cyrillic", 5, cdtext(packs(0x80, ["\xcf\xf0\xe8\xe2\xe5\xf2", "Caf\xe9"])))
