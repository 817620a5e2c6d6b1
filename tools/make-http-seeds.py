#!/usr/bin/env python3
"""Writes the seed corpus of the http fuzz target (fuzz/corpus/http/).

The first byte of a seed picks the parser by its low four bits modulo 5 (bit 4 reads the text
as UTF-16 pairs): 0 URL rules, 1 Content-Range (8 bytes of offset and a
selector byte before the text), 2 Content-Length and media type, 3 and 4 MP3 stream information.
"""
import os
import struct

out = os.path.join(os.path.dirname(__file__), "..", "fuzz", "corpus", "http")
os.makedirs(out, exist_ok=True)


def write(name, data):
    with open(os.path.join(out, name), "wb") as f:
        f.write(data)


def frame(header=b"\xff\xfb\x90\x00", length=417):
    return header + bytes(length - 4)


write("url_plain", b"\x00http://example.com/feed/episode.mp3?x=1#t")
write("url_wide", b"\x10" + "https://h\u00e9/\u00fc.m4a".encode("utf-16-le"))
write("range_206", b"\x01" + struct.pack(">Q", 500) + b"\x05" + b"bytes 500-999/1000")
write("range_star", b"\x01" + struct.pack(">Q", 0) + b"\x05" + b"  BYTES 0-18446744073709551614/*  ")
write("range_bad", b"\x01" + struct.pack(">Q", 7) + b"\x05" + b"bytes 7-6/5")
write("length_type", b"\x0218446744073709551615audio/MP4 ; codecs=mp4a")
id3 = b"ID3\x04\x00\x10\x00\x00\x07\x68" + bytes(1010)
write("mp3_id3_footer", b"\x03" + id3 + frame() * 3)
xing = bytearray(frame() * 2)
xing[36:48] = b"Xing\x00\x00\x00\x01\x00\x00\x03\xe8"
write("mp3_xing", b"\x04" + bytes(xing))
write("mp3_false_sync", b"\x03" + b"\x00\x00\x00\xff\xfb\x90\x00" + bytes(600) + b"\xff\xf3\x90\x00"
      + bytes(257) + frame() * 3)
write("mp3_mpeg25", b"\x04" + frame(b"\xff\xe3\x10\xc0", 52) * 4)
