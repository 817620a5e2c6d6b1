#!/usr/bin/env python3
"""Loopback internet-radio station for tests: ICY streams of looped MP3 and ADTS AAC tones
with in-band titles, station links, and the ways real stations go wrong.

Usage: icy_server.py [--data DIR] [--lifetime SECONDS] [--control PORT]
Binds 127.0.0.1 on an ephemeral port and prints the port as the first line of standard
output; exits when standard input reaches end-of-file or after the lifetime. With --control
it connects to that loopback port instead, sends its port and process id as two lines, and
exits when that connection ends (Wine gives a Linux child /dev/null for stdin and stdout).

Every request is counted by its path (without the query); GET /_count?path=/a/b answers the
count for that path as a decimal number, GET /_count the total. The behaviour comes from the
path's extension and the query, so one instance serves a whole test:

Station links: a path ending in .pls, .m3u or .m3u8, or playlist=pls|m3u|hls, answers a
playlist (audio/x-scpls, audio/x-mpegurl, application/vnd.apple.mpegurl) naming
target=PATH on this server (a full http:// URL is used as it is; default /stream.mp3).
pad=N puts N bytes of comment lines before the entries.

Streams (any other path):
  file=NAME      file from the data folder, looped (default tone440_44100.aac for a .aac
                 path, else tone440_44100.mp3)
  next=NAME      the file for every request after the first to this path (a station whose
                 sample rate changes after a reconnect)
  ct=TYPE        Content-Type (default audio/mpeg or audio/aacp by the file); ct= sends none
  metaint=N      ICY metadata interval sent as icy-metaint when the client asks for metadata
                 (Icy-MetaData: 1); default 8192. 0 sends "icy-metaint: 0" and no metadata.
  titles=A|B     the titles, percent-encoded bytes (legacy code pages welcome); default "Tone"
  title_every=S  seconds of audio between title changes (default: never)
  title_repeat=1 every block repeats the title (otherwise unchanged titles send length 0)
  badmeta=K      the K-th metadata block's length byte says 255 (4080 bytes) while the
                 block is as short as usual: the length points past the data
  garbage=1      random bytes instead of audio, in the same ICY framing
  pace=X         speed against real time (default 1; 0 = as fast as the client reads)
  burst=S        seconds of audio sent at once before pacing starts (default 0)
  drop_after=S   close the connection after S seconds of audio
  stall_after=S  stop sending after S seconds of audio but keep the connection open
  only=K         drop_after, stall_after, status and silent apply to the first K requests
                 to this path only (default: all)
  status=N       answer HTTP N (404, 503, ...) with a short text body
  silent=1       accept the connection and never send a byte
"""

import argparse
import os
import random
import select
import socket
import sys
import threading
import time
import urllib.parse
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

STOPPING = threading.Event()
DATA_DIR = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tests",
                        "data", "radio")
COUNT_LOCK = threading.Lock()
COUNTS = {}
TOTAL = [0]
FILES = {}
FILES_LOCK = threading.Lock()

MP3_BITRATES = {
    1: [0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320],
    2: [0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160],
}
MP3_RATES = {3: [44100, 48000, 32000], 2: [22050, 24000, 16000], 0: [11025, 12000, 8000]}
ADTS_RATES = [96000, 88200, 64000, 48000, 44100, 32000, 24000, 22050, 16000, 12000, 11025,
              8000, 7350]


def audio_seconds(data):
    """Playing time of a bare MP3 (layer III) or ADTS file, from its frame headers."""
    pos, samples, rate = 0, 0, 0
    while pos + 7 <= len(data) and data[pos] == 0xFF:
        b1, b2 = data[pos + 1], data[pos + 2]
        if (b1 & 0xF6) == 0xF0:  # ADTS
            rate = ADTS_RATES[(b2 >> 2) & 0x0F]
            length = ((data[pos + 3] & 3) << 11) | (data[pos + 4] << 3) | (data[pos + 5] >> 5)
            samples += 1024
        elif (b1 & 0xE0) == 0xE0 and ((b1 >> 1) & 3) == 1:  # MPEG audio layer III
            version = (b1 >> 3) & 3
            rate = MP3_RATES[version][(b2 >> 2) & 3]
            bitrate = MP3_BITRATES[1 if version == 3 else 2][b2 >> 4] * 1000
            padding = (b2 >> 1) & 1
            per_frame = 1152 if version == 3 else 576
            length = per_frame // 8 * bitrate // rate + padding
            samples += per_frame
        else:
            break
        if length < 7:
            break
        pos += length
    return samples / rate if rate else 0.0


def load(name):
    with FILES_LOCK:
        if name not in FILES:
            path = os.path.join(DATA_DIR, os.path.basename(name))
            with open(path, "rb") as f:
                data = f.read()
            seconds = audio_seconds(data)
            FILES[name] = (data, len(data) / seconds if seconds > 0 else 16000.0)
        return FILES[name]


def parse_query(query):
    params = {}
    for part in query.split("&"):
        if not part:
            continue
        key, _, value = part.partition("=")
        params[urllib.parse.unquote(key)] = urllib.parse.unquote_to_bytes(value.replace("+", " "))
    return params


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.0"
    server_version = "IcyTest/1.0"

    def log_message(self, format, *args):
        pass

    def text(self, name, default=""):
        value = self.params.get(name)
        return default if value is None else value.decode("latin-1")

    def number(self, name, default):
        try:
            return float(self.text(name, str(default)))
        except ValueError:
            return default

    def do_GET(self):
        split = urllib.parse.urlsplit(self.path)
        self.params = parse_query(split.query)
        path = split.path
        if path == "/_count":
            with COUNT_LOCK:
                count = COUNTS.get(self.text("path"), 0) if "path" in self.params else TOTAL[0]
            return self.answer(200, "text/plain", str(count).encode())
        with COUNT_LOCK:
            COUNTS[path] = COUNTS.get(path, 0) + 1
            TOTAL[0] += 1
            self.request_number = COUNTS[path]
        only = self.number("only", 0)
        self.misbehave = only <= 0 or self.request_number <= only
        try:
            if self.misbehave and self.text("silent") == "1":
                return self.hold()
            if self.misbehave and "status" in self.params:
                status = int(self.number("status", 500))
                return self.answer(status, "text/plain", b"Error %d\n" % status)
            extension = os.path.splitext(path)[1].lower()
            playlist = self.text("playlist") or {".pls": "pls", ".m3u": "m3u",
                                                 ".m3u8": "hls"}.get(extension, "")
            if playlist:
                return self.playlist(playlist)
            return self.stream(extension)
        except (BrokenPipeError, ConnectionResetError, ConnectionAbortedError):
            pass

    def answer(self, status, content_type, body):
        self.send_response(status)
        if content_type:
            self.send_header("Content-Type", content_type)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def hold(self):
        """Keeps the connection open, sending nothing, until the client goes or we stop."""
        self.wfile.flush()
        sock = self.connection
        while not STOPPING.is_set():
            readable, _, _ = select.select([sock], [], [], 0.2)
            if readable:
                try:
                    if not sock.recv(4096):
                        return
                except OSError:
                    return

    def playlist(self, kind):
        port = self.server.server_address[1]
        target = self.text("target", "/stream.mp3")
        url = target if target.lower().startswith("http") else "http://127.0.0.1:%d%s" % (
            port, target)
        pad = int(self.number("pad", 0))
        filler = b"".join(b"; padding line %08d\r\n" % i for i in range(pad // 24 + 1))[:pad]
        if kind == "pls":
            default_type = "audio/x-scpls"
            body = (b"[playlist]\r\n" + filler + b"NumberOfEntries=1\r\nFile1=" + url.encode() +
                    b"\r\nTitle1=Test tone\r\nLength1=-1\r\nVersion=2\r\n")
        elif kind == "hls":
            default_type = "application/vnd.apple.mpegurl"
            body = (b"#EXTM3U\n" + filler.replace(b";", b"#") + b"#EXT-X-VERSION:3\n"
                    b"#EXT-X-TARGETDURATION:10\n#EXTINF:10,\n" + url.encode() + b"\n")
        else:
            default_type = "audio/x-mpegurl"
            body = (b"#EXTM3U\n" + filler.replace(b";", b"#") + b"#EXTINF:-1,Test tone\n" +
                    url.encode() + b"\n")
        self.answer(200, self.text("ct", default_type), body)

    def stream(self, extension):
        default_file = "tone440_44100.aac" if extension == ".aac" else "tone440_44100.mp3"
        name = self.text("file", default_file)
        if self.request_number > 1 and "next" in self.params:
            name = self.text("next")
        try:
            data, bytes_per_second = load(name)
        except OSError:
            return self.answer(404, "text/plain", b"No such file\n")
        default_type = "audio/aacp" if name.endswith(".aac") else "audio/mpeg"
        content_type = self.text("ct", default_type)

        wants_metadata = self.headers.get("Icy-MetaData", "").strip() == "1"
        metaint = int(self.number("metaint", 8192)) if wants_metadata else 0
        titles = self.params.get("titles", b"Tone").split(b"|")
        title_every = self.number("title_every", 0)
        title_repeat = self.text("title_repeat") == "1"
        bad_block = int(self.number("badmeta", 0))
        pace = self.number("pace", 1)
        burst = self.number("burst", 0)
        limit_seconds, stall = None, False
        if self.misbehave and "drop_after" in self.params:
            limit_seconds = self.number("drop_after", 0)
        elif self.misbehave and "stall_after" in self.params:
            limit_seconds, stall = self.number("stall_after", 0), True

        self.send_response(200)
        if content_type:
            self.send_header("Content-Type", content_type)
        self.send_header("icy-name", "Tarnwick test tone")
        self.send_header("icy-br", str(round(bytes_per_second * 8 / 1000)))
        if wants_metadata:
            self.send_header("icy-metaint", str(metaint))
        self.end_headers()

        rng = random.Random(1234)
        garbage = self.text("garbage") == "1"
        source_pos = 0
        sent_audio = 0
        to_next_block = metaint
        blocks = 0
        last_title = None
        start = time.monotonic()
        limit_bytes = None if limit_seconds is None else int(limit_seconds * bytes_per_second)
        while not STOPPING.is_set():
            if limit_bytes is not None and sent_audio >= limit_bytes:
                if stall:
                    return self.hold()
                return
            if pace > 0:
                allowed = (burst + (time.monotonic() - start) * pace) * bytes_per_second
                if sent_audio >= allowed:
                    STOPPING.wait(min(0.05, (sent_audio - allowed) / bytes_per_second / pace
                                      + 0.001))
                    continue
            n = 4096
            if metaint > 0:
                n = min(n, to_next_block)
            if limit_bytes is not None:
                n = min(n, limit_bytes - sent_audio)
            if garbage:
                chunk = rng.randbytes(n)
            else:
                chunk = data[source_pos:source_pos + n]
                source_pos = (source_pos + len(chunk)) % len(data)
            out = bytearray(chunk)
            sent_audio += len(chunk)
            if metaint > 0:
                to_next_block -= len(chunk)
                if to_next_block == 0:
                    to_next_block = metaint
                    blocks += 1
                    index = int(sent_audio / bytes_per_second / title_every) if title_every else 0
                    title = titles[index % len(titles)]
                    meta = b""
                    if title != last_title or title_repeat:
                        meta = b"StreamTitle='" + title + b"';StreamUrl='';"
                        meta += b"\0" * (-len(meta) % 16)
                        last_title = title
                    length = len(meta) // 16
                    if blocks == bad_block:
                        length = 255
                    out.append(length)
                    out += meta
            self.wfile.write(out)


def main():
    global DATA_DIR
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--data", default=DATA_DIR)
    parser.add_argument("--lifetime", type=float, default=900)
    parser.add_argument("--control", type=int, default=0)
    args = parser.parse_args()
    DATA_DIR = args.data

    server = ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    server.daemon_threads = True
    port = server.server_address[1]
    threading.Thread(target=server.serve_forever, kwargs={"poll_interval": 0.2},
                     daemon=True).start()
    if args.control:
        control = socket.create_connection(("127.0.0.1", args.control), timeout=10)
        control.settimeout(None)
        control.sendall(b"%d\n%d\n" % (port, os.getpid()))
        read = lambda: control.recv(4096)
    else:
        print(port, flush=True)
        read = lambda: sys.stdin.buffer.read(4096)

    def watch():
        try:
            while read():
                pass
        except (OSError, ValueError):
            pass
        STOPPING.set()

    threading.Thread(target=watch, daemon=True).start()
    STOPPING.wait(args.lifetime)
    STOPPING.set()
    server.shutdown()
    server.server_close()


if __name__ == "__main__":
    main()
