#!/usr/bin/env python3
"""Writes the large podcast feeds that tests and benchmarks read (too big to commit):
  episodes5000.xml      5000 items in a publisher's shape, about 8 MB, dates out of order,
                        every 50th item undated;
  episodes300.xml       300 weekly items with a page of show notes each, about 0.7 MB: the
                        size of a long-running show;
  over8mb.xml           a well-formed feed of 9 MiB, over the 8 MiB limit;
  huge_description.xml  three items after a 4 MB channel description.
Usage: make-podcast-feeds.py <out-dir>. A feed server can import this file and call the
feed_* functions, which return bytes. Deterministic: the same bytes every run."""
import os
import random
import sys
import time

EPISODES = 5000
UNDATED_EVERY = 50
TARGET_5000 = 8_000_000
OVER_LIMIT = 9 * 1024 * 1024
HUGE_DESCRIPTION = 4_000_000
FIRST_DAY = 1262304000  # 2010-01-01 00:00 UTC

HEAD = """<?xml version="1.0" encoding="UTF-8"?>
<?xml-stylesheet type="text/xsl" href="https://feeds.example.com/rss.xsl"?>
<rss version="2.0" xmlns:itunes="http://www.itunes.com/dtds/podcast-1.0.dtd" \
xmlns:content="http://purl.org/rss/1.0/modules/content/" xmlns:media="http://search.yahoo.com/mrss/" \
xmlns:atom="http://www.w3.org/2005/Atom" xmlns:podcast="https://podcastindex.org/namespace/1.0">
<channel>
<atom:link href="https://feeds.example.com/{slug}" rel="self" type="application/rss+xml"/>
<title><![CDATA[{title}]]></title>
<link>https://www.example.com/{slug}</link>
<language>en-us</language>
<itunes:author>Example Media</itunes:author>
<itunes:image href="https://img.example.com/{slug}.jpg"/>
<itunes:category text="News"><itunes:category text="Daily News"/></itunes:category>
<podcast:locked>no</podcast:locked>
<description>{description}</description>
"""
TAIL = "</channel>\n</rss>\n"
ZONES = [("GMT", 0), ("+0200", 7200), ("-0500", -18000), ("PDT", -25200)]


def pub_date(seconds, zone):
    name, offset = zone
    return time.strftime("%a, %d %b %Y %H:%M:%S ", time.gmtime(seconds + offset)) + name


def item(number, seconds, padding):
    parts = [
        "<item>",
        f"<title><![CDATA[Episode {number:04d}: Markets & \"Mayhem\"]]></title>",
        f"<itunes:title>Episode {number}</itunes:title>",
        f"<description>&lt;p&gt;Show notes for episode {number} &amp;amp; more.&lt;/p&gt; {padding}</description>",
        f"<content:encoded><![CDATA[<p>Episode <b>{number}</b> &amp; friends</p>]]></content:encoded>",
        f"<guid isPermaLink=\"false\">urn:example:episode:{number}</guid>",
        "<!-- ad-insertion marker -->",
    ]
    if seconds is not None:
        parts.append(f"<pubDate>{pub_date(seconds, ZONES[number % len(ZONES)])}</pubDate>")
    parts += [
        f"<enclosure url=\"https://cdn.example.com/show/ep{number:04d}.mp3?source=rss&amp;t=1\" "
        f"length=\"{10_000_000 + number}\" type=\"audio/mpeg\"/>",
        f"<itunes:duration>{number // 60}:{number % 60:02d}:07</itunes:duration>",
        "<itunes:episodeType>full</itunes:episodeType>",
        f"<media:content url=\"https://cdn.example.com/show/ep{number:04d}.m4a\" medium=\"audio\"/>",
        f"<podcast:transcript url=\"https://cdn.example.com/show/ep{number:04d}.vtt\" type=\"text/vtt\"/>",
        "</item>\n",
    ]
    return "".join(parts)


def filler(length):
    text = "Lorem ipsum &amp; dolor sit amet, &lt;i&gt;consectetur&lt;/i&gt; adipiscing elit. "
    return (text * (length // len(text) + 1))[:length].rsplit("&", 1)[0] if length else ""


def feed_5000():
    days = list(range(EPISODES))
    random.Random(5000).shuffle(days)

    def build(padding):
        items = []
        for number in range(1, EPISODES + 1):
            dated = number % UNDATED_EVERY != 0
            seconds = FIRST_DAY + days[number - 1] * 86400 + number % 86400 if dated else None
            items.append(item(number, seconds, padding))
        head = HEAD.format(slug="daily", title="The Daily Example & Friends",
                           description="News &amp; views.")
        return (head + "".join(items) + TAIL).encode()

    bare = len(build(""))
    return build(filler(max(0, (TARGET_5000 - bare) // EPISODES)))


def feed_300():
    head = HEAD.format(slug="weekly", title="The Weekly Example",
                       description="Every week &amp; then some.")
    items = "".join(item(n, FIRST_DAY + n * 7 * 86400, filler(1500)) for n in range(1, 301))
    return (head + items + TAIL).encode()


def feed_over_8mb():
    head = HEAD.format(slug="big", title="Over the limit", description="{}")
    body = head + "".join(item(n, FIRST_DAY + n * 86400, "") for n in range(1, 4)) + TAIL
    size = len(body.encode()) - 2
    text = (b"x" * (OVER_LIMIT - size)).decode()
    data = body.replace("{}", text, 1).encode()
    assert len(data) == OVER_LIMIT
    return data


def feed_huge_description():
    head = HEAD.format(slug="huge", title="Huge Description Show",
                       description=filler(HUGE_DESCRIPTION))
    items = "".join(item(n, FIRST_DAY + n * 86400, "") for n in range(1, 4))
    return (head + items + TAIL).encode()


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    for name, make in (("episodes5000.xml", feed_5000), ("episodes300.xml", feed_300),
                       ("over8mb.xml", feed_over_8mb),
                       ("huge_description.xml", feed_huge_description)):
        with open(os.path.join(out, name), "wb") as f:
            f.write(make())


if __name__ == "__main__":
    main()
