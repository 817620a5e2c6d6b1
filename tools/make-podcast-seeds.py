#!/usr/bin/env python3
"""Writes the seed corpus of the `podcast` fuzz target into fuzz/corpus/podcast.
The first byte chooses the parser (0 pubDate, 1 duration, 2 feed builder; bit 7 on a builder
seed reports a reader failure at the end). Builder seeds are parser events: 0 start element
(a byte: name index in bits 0-2, namespace in bits 3-4, bit 5 empty; an enclosure that counts
is followed by its url and type), 1 end element, 2 text, 3 stray enclosure attributes.
A text is a byte with bit 7 set choosing one of the target's words, or a length and that many
bytes."""
import os

NAMES = ["rss", "channel", "item", "title", "enclosure", "pubDate", "duration", "description"]
ITUNES = 1
OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "fuzz", "corpus", "podcast")


def text(s):
    data = s.encode("latin-1")
    assert len(data) < 64
    return bytes([len(data)]) + data


def word(index):
    return bytes([0x80 | index])


def start(name, ns=0, empty=False):
    return bytes([0, NAMES.index(name) | ns << 3 | (0x20 if empty else 0)])


END = bytes([1])


def leaf(name, value, ns=0):
    return start(name, ns) + bytes([2]) + text(value) + END


def item(title, url_word, date=None, duration=None, type_word=2):
    out = start("item") + leaf("title", title)
    if date:
        out += leaf("pubDate", date)
    if duration:
        out += leaf("duration", duration, ITUNES)
    return out + start("enclosure", empty=True) + word(url_word) + word(type_word) + END


def main():
    os.makedirs(OUT, exist_ok=True)
    seeds = {
        "date_zone": b"\x00Tue, 05 Mar 24 14:30:00 +0200",
        "date_midnight": b"\x00 5 Mar 2024 ",
        "date_named_zone": b"\x00Wed, 06 Mar 2024 18:00 PST",
        "date_leap_second": b"\x0031 Dec 9999 23:59:60 -9999",
        "duration_hms": b"\x011:02:03.5",
        "duration_groups": b"\x011:2:3:4",
        "duration_max": b"\x014294967295",
        "feed_simple": b"\x02" + start("rss") + start("channel") + leaf("title", " Show ")
        + item("One", 0, "Tue, 05 Mar 24 14:30:00 +0200", "62")
        + item("Two", 1, None, "1:02:03", 3) + item("Bad", 8) + END + END,
        "feed_reader_failed": b"\x82" + start("rss") + start("channel") + item("One", 0),
        "feed_namespaced": b"\x02" + start("rss", 2) + start("channel", 2) + start("item", 2)
        + start("enclosure", 2, True) + word(0) + word(3) + END + END + END,
        "feed_no_channel": b"\x02" + start("rss", 3) + start("channel", 3) + leaf("title", "x") + END,
    }
    for name, data in seeds.items():
        with open(os.path.join(OUT, name), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main()
