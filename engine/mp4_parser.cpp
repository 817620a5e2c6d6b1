#include "engine/mp4_parser.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "engine/container_text.h"

namespace {

constexpr uint32_t fourcc(const char (&s)[5]) {
  return uint32_t(uint8_t(s[0])) << 24 | uint32_t(uint8_t(s[1])) << 16 |
         uint32_t(uint8_t(s[2])) << 8 | uint32_t(uint8_t(s[3]));
}

constexpr uint32_t kMoov = fourcc("moov");
constexpr uint32_t kUdta = fourcc("udta");
constexpr uint32_t kMeta = fourcc("meta");
constexpr uint32_t kHdlr = fourcc("hdlr");
constexpr uint32_t kIlst = fourcc("ilst");
constexpr uint32_t kData = fourcc("data");
constexpr uint32_t kTrak = fourcc("trak");
constexpr uint32_t kTref = fourcc("tref");
constexpr uint32_t kChap = fourcc("chap");
constexpr uint32_t kTkhd = fourcc("tkhd");
constexpr uint32_t kMdia = fourcc("mdia");
constexpr uint32_t kMdhd = fourcc("mdhd");
constexpr uint32_t kMinf = fourcc("minf");
constexpr uint32_t kStbl = fourcc("stbl");
constexpr uint32_t kStts = fourcc("stts");
constexpr uint32_t kStsc = fourcc("stsc");
constexpr uint32_t kStsz = fourcc("stsz");
constexpr uint32_t kStco = fourcc("stco");
constexpr uint32_t kCo64 = fourcc("co64");
constexpr uint32_t kChpl = fourcc("chpl");
constexpr uint32_t kSoun = fourcc("soun");
constexpr uint32_t kTitleItem = 0xA96E616D;   // "\xA9nam"
constexpr uint32_t kArtistItem = 0xA9415254;  // "\xA9ART"

constexpr int kMaxBoxesPerLevel = 4096;
constexpr size_t kMaxTracks = 64;
constexpr size_t kMaxChapters = 1000;
constexpr uint64_t kMaxTableBytes = 0x100000;
constexpr uint64_t kMaxItemBytes = 65536;
constexpr uint32_t kMaxChapterSampleBytes = 4096;
constexpr uint64_t kNeroStartLimit = 0x271000000000ull;  // 2^32 ms in 100-ns units

uint16_t be16(const uint8_t* p) { return uint16_t(p[0] << 8 | p[1]); }
uint32_t be24(const uint8_t* p) { return uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2]; }
uint32_t be32(const uint8_t* p) {
  return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}
uint64_t be64(const uint8_t* p) { return uint64_t(be32(p)) << 32 | be32(p + 4); }

// The one place that calls the reader: nothing outside [0, size) is ever asked for.
bool readAt(const BoxReader& r, uint64_t offset, void* dest, size_t length) {
  if (length == 0) return true;
  if (offset > r.size || length > r.size - offset) return false;
  return r.read(r.user, offset, dest, length);
}

// Parses the box header at `pos` within [pos, to) and moves `pos` past the box.
bool nextBox(const BoxReader& r, uint64_t& pos, uint64_t to, BoxRange& box) {
  if (pos >= to || to - pos < 8) return false;
  uint8_t h[16];
  if (!readAt(r, pos, h, 8)) return false;
  const uint64_t remaining = to - pos;
  uint64_t size = be32(h);
  uint64_t header = 8;
  if (size == 1) {
    if (remaining < 16 || !readAt(r, pos + 8, h + 8, 8)) return false;
    size = be64(h + 8);
    header = 16;
    if (size < 16 || size > remaining) return false;
  } else if (size == 0) {
    size = remaining;
  } else if (size < 8 || size > remaining) {
    return false;
  }
  box = {be32(h + 4), pos + header, pos + size};
  pos += size;
  return true;
}

// Calls f(box) for each sibling in [from, to) until it returns false.
template <typename F>
void forEachBox(const BoxReader& r, uint64_t from, uint64_t to, F&& f) {
  to = std::min(to, r.size);
  BoxRange box;
  for (int i = 0; i < kMaxBoxesPerLevel && nextBox(r, from, to, box); ++i) {
    if (!f(box)) return;
  }
}

bool findChild(const BoxReader& r, const BoxRange& parent, uint32_t type, BoxRange& out) {
  return findBox(r, parent.start, parent.end, type, out);
}

uint64_t contentSize(const BoxRange& box) { return box.end - box.start; }

bool readContent(const BoxReader& r, const BoxRange& box, uint64_t limit,
                 std::vector<uint8_t>& out) {
  if (contentSize(box) > limit) return false;
  out.resize(static_cast<size_t>(contentSize(box)));
  return readAt(r, box.start, out.data(), out.size());
}

void readItemList(const BoxReader& r, const BoxRange& meta, TagInfo& info) {
  // QuickTime-style meta boxes start with their hdlr child; ISO ones with version and flags.
  uint64_t childStart = std::min(meta.start + 4, meta.end);
  uint8_t h[8];
  if (contentSize(meta) >= 8 && readAt(r, meta.start, h, 8) && be32(h + 4) == kHdlr) {
    childStart = meta.start;
  }
  BoxRange ilst;
  if (!findBox(r, childStart, meta.end, kIlst, ilst)) return;
  std::vector<uint8_t> data;
  forEachBox(r, ilst.start, ilst.end, [&](const BoxRange& item) {
    std::wstring* field = item.type == kTitleItem    ? &info.title
                          : item.type == kArtistItem ? &info.artist
                                                     : nullptr;
    if (!field || !field->empty()) return true;
    BoxRange box;
    if (!findChild(r, item, kData, box) || !readContent(r, box, kMaxItemBytes, data) ||
        data.size() < 8) {
      return true;
    }
    const uint32_t type = be24(data.data() + 1);
    if (type == 0 || type == 1) {
      *field = container::utf8Text(data.data() + 8, data.size() - 8);
    } else if (type == 2) {
      *field = container::utf16Text(data.data() + 8, data.size() - 8, true);
    }
    return true;
  });
}

// Count of `entrySize`-byte entries after a header of `headerSize` bytes, as declared but no
// more than the table holds.
uint64_t entryCount(const std::vector<uint8_t>& table, size_t countAt, size_t headerSize,
                    size_t entrySize) {
  return std::min<uint64_t>(be32(table.data() + countAt), (table.size() - headerSize) / entrySize);
}

bool readTable(const BoxReader& r, const BoxRange& stbl, uint32_t type, size_t minSize,
               std::vector<uint8_t>& out) {
  BoxRange box;
  return findChild(r, stbl, type, box) && readContent(r, box, kMaxTableBytes, out) &&
         out.size() >= minSize;
}

std::wstring chapterText(const uint8_t* sample, size_t size) {
  const size_t length = std::min<size_t>(be16(sample), size - 2);
  const uint8_t* p = sample + 2;
  if (length >= 2 && p[0] == 0xFE && p[1] == 0xFF)
    return container::utf16Text(p + 2, length - 2, true);
  if (length >= 2 && p[0] == 0xFF && p[1] == 0xFE)
    return container::utf16Text(p + 2, length - 2, false);
  return container::utf8Text(p, length);
}

std::vector<Chapter> readChapterTrack(const BoxReader& r, const BoxRange& moov) {
  std::vector<BoxRange> traks;
  forEachBox(r, moov.start, moov.end, [&](const BoxRange& box) {
    if (box.type == kTrak) traks.push_back(box);
    return traks.size() < kMaxTracks;
  });

  uint32_t chapterId = 0;
  for (const BoxRange& trak : traks) {
    BoxRange tref, chap;
    if (findChild(r, trak, kTref, tref) && findChild(r, tref, kChap, chap) &&
        contentSize(chap) >= 4) {
      uint8_t b[4];
      if (readAt(r, chap.start, b, 4)) chapterId = be32(b);
      break;
    }
  }
  if (chapterId == 0) return {};

  const BoxRange* chapterTrak = nullptr;
  for (const BoxRange& trak : traks) {
    BoxRange tkhd;
    uint8_t c[24];
    if (findChild(r, trak, kTkhd, tkhd) && contentSize(tkhd) >= 24 &&
        readAt(r, tkhd.start, c, sizeof c) && be32(c[0] == 1 ? c + 20 : c + 12) == chapterId) {
      chapterTrak = &trak;
      break;
    }
  }
  if (!chapterTrak) return {};

  BoxRange mdia, mdhd, minf, stbl;
  uint8_t m[24];
  if (!findChild(r, *chapterTrak, kMdia, mdia) || !findChild(r, mdia, kMdhd, mdhd) ||
      contentSize(mdhd) < 24 || !readAt(r, mdhd.start, m, sizeof m)) {
    return {};
  }
  const uint32_t timescale = be32(m[0] == 1 ? m + 20 : m + 12);
  if (timescale == 0 || !findChild(r, mdia, kMinf, minf) || !findChild(r, minf, kStbl, stbl)) {
    return {};
  }

  std::vector<uint8_t> stts, stsc, stsz, chunks;
  bool co64 = false;
  if (!readTable(r, stbl, kStts, 8, stts) || !readTable(r, stbl, kStsc, 8, stsc) ||
      !readTable(r, stbl, kStsz, 12, stsz)) {
    return {};
  }
  if (!readTable(r, stbl, kStco, 8, chunks)) {
    co64 = true;
    if (!readTable(r, stbl, kCo64, 8, chunks)) return {};
  }
  const uint64_t sttsCount = entryCount(stts, 4, 8, 8);
  const uint64_t stscCount = entryCount(stsc, 4, 8, 12);
  const uint64_t chunkCount = entryCount(chunks, 4, 8, co64 ? 8 : 4);
  const uint32_t constantSize = be32(stsz.data() + 4);
  const uint64_t sampleCount =
      constantSize != 0 ? be32(stsz.data() + 8) : entryCount(stsz, 8, 12, 4);
  auto sampleSize = [&](size_t i) {
    return constantSize != 0 ? constantSize : be32(stsz.data() + 12 + 4 * i);
  };

  const size_t wanted = static_cast<size_t>(std::min<uint64_t>(sampleCount, kMaxChapters));
  std::vector<uint64_t> starts;
  uint64_t time = 0;
  for (uint64_t e = 0; e < sttsCount && starts.size() < wanted; ++e) {
    const uint8_t* entry = stts.data() + 8 + 8 * e;
    const uint32_t count = be32(entry);
    const uint32_t delta = be32(entry + 4);
    for (uint32_t k = 0; k < count && starts.size() < wanted; ++k) {
      starts.push_back(time);
      time += delta;  // at most 1000 deltas of 32 bits: cannot overflow
    }
  }

  // A chunk takes its samples per chunk from the last stsc entry (in table order) whose first
  // chunk is at most its number. With minFirst[i] the smallest first chunk from entry i on,
  // that entry is the last one with minFirst <= chunk, and minFirst never decreases.
  std::vector<uint32_t> minFirst(static_cast<size_t>(stscCount));
  for (size_t i = minFirst.size(); i-- > 0;) {
    const uint32_t first = be32(stsc.data() + 8 + 12 * i);
    minFirst[i] = i + 1 < minFirst.size() ? std::min(first, minFirst[i + 1]) : first;
  }
  std::vector<uint64_t> offsets;
  for (uint64_t chunk = 1; chunk <= chunkCount && offsets.size() < starts.size(); ++chunk) {
    auto it = std::upper_bound(minFirst.begin(), minFirst.end(), chunk,
                               [](uint64_t value, uint32_t first) { return value < first; });
    if (it == minFirst.begin()) continue;
    const size_t entry = static_cast<size_t>(it - minFirst.begin()) - 1;
    const uint32_t perChunk = be32(stsc.data() + 8 + 12 * entry + 4);
    const size_t index = static_cast<size_t>(chunk - 1);
    uint64_t offset =
        co64 ? be64(chunks.data() + 8 + 8 * index) : be32(chunks.data() + 8 + 4 * index);
    for (uint32_t k = 0; k < perChunk && offsets.size() < starts.size(); ++k) {
      offsets.push_back(offset);
      const uint32_t size = sampleSize(offsets.size() - 1);
      // Saturate: an offset past the end simply cannot be read.
      offset = offset > UINT64_MAX - size ? UINT64_MAX : offset + size;
    }
  }

  std::vector<Chapter> chapters;
  uint8_t sample[kMaxChapterSampleBytes];
  for (size_t i = 0; i < starts.size(); ++i) {
    const uint64_t ms = starts[i] * 1000 / timescale;
    if (ms > UINT32_MAX) break;
    Chapter chapter;
    chapter.startMs = static_cast<uint32_t>(ms);
    if (i < offsets.size()) {
      const uint32_t size = std::min(sampleSize(i), kMaxChapterSampleBytes);
      if (size > 1 && readAt(r, offsets[i], sample, size))
        chapter.title = chapterText(sample, size);
    }
    chapters.push_back(std::move(chapter));
  }
  return chapters;
}

std::vector<Chapter> readNeroChapters(const BoxReader& r, const BoxRange& moov) {
  BoxRange udta, chpl;
  std::vector<uint8_t> c;
  if (!findChild(r, moov, kUdta, udta) || !findChild(r, udta, kChpl, chpl) ||
      !readContent(r, chpl, kMaxTableBytes, c) || c.size() <= 4) {
    return {};
  }
  const bool v1 = c[0] == 1;
  if (v1 && c.size() <= 8) return {};
  const size_t count = v1 ? c[8] : c[4];
  size_t pos = v1 ? 9 : 5;
  std::vector<Chapter> chapters;
  for (size_t i = 0; i < count && chapters.size() < kMaxChapters; ++i) {
    if (c.size() - pos < 9) break;
    const uint64_t units = be64(c.data() + pos);
    const size_t length = c[pos + 8];
    pos += 9;
    if (c.size() - pos < length) break;
    if (units < kNeroStartLimit) {
      Chapter chapter;
      chapter.startMs = static_cast<uint32_t>(units / 10000);
      chapter.title = container::utf8Text(c.data() + pos, length);
      chapters.push_back(std::move(chapter));
    }
    pos += length;
  }
  return chapters;
}

bool readMemory(void* user, uint64_t offset, void* dest, size_t length) {
  std::memcpy(dest, static_cast<const uint8_t*>(user) + offset, length);
  return true;
}

}  // namespace

bool findBox(const BoxReader& reader, uint64_t from, uint64_t to, uint32_t type, BoxRange& out) {
  bool found = false;
  forEachBox(reader, from, to, [&](const BoxRange& box) {
    if (box.type != type) return true;
    out = box;
    found = true;
    return false;
  });
  return found;
}

void readMp4Tags(const BoxReader& reader, TagInfo& info) {
  BoxRange moov, udta, meta;
  if (!findBox(reader, 0, reader.size, kMoov, moov)) return;
  if (findChild(reader, moov, kUdta, udta) && findChild(reader, udta, kMeta, meta)) {
    readItemList(reader, meta, info);
  }
  if (findChild(reader, moov, kMeta, meta)) readItemList(reader, meta, info);

  if (!info.chapters.empty()) return;
  std::vector<Chapter> chapters = readChapterTrack(reader, moov);
  if (chapters.empty()) chapters = readNeroChapters(reader, moov);
  std::stable_sort(chapters.begin(), chapters.end(),
                   [](const Chapter& a, const Chapter& b) { return a.startMs < b.startMs; });
  info.chapters = std::move(chapters);
}

bool readMp4AudioDuration(const BoxReader& reader, uint64_t& duration, uint32_t& timescale) {
  BoxRange moov;
  if (!findBox(reader, 0, reader.size, kMoov, moov)) return false;
  bool found = false;
  forEachBox(reader, moov.start, moov.end, [&](const BoxRange& trak) {
    if (trak.type != kTrak) return true;
    BoxRange mdia, hdlr, mdhd;
    uint8_t h[12];
    if (!findChild(reader, trak, kMdia, mdia) || !findChild(reader, mdia, kHdlr, hdlr) ||
        contentSize(hdlr) < 12 || !readAt(reader, hdlr.start, h, sizeof h) ||
        be32(h + 8) != kSoun) {
      return true;
    }
    // Only the first sound track counts, whatever its mdhd holds.
    uint8_t m[32];
    if (!findChild(reader, mdia, kMdhd, mdhd) || contentSize(mdhd) < 24 ||
        !readAt(reader, mdhd.start, m, 24)) {
      return false;
    }
    const bool v1 = m[0] == 1;
    if (v1 && (contentSize(mdhd) < 32 || !readAt(reader, mdhd.start + 24, m + 24, 8))) return false;
    const uint32_t scale = be32(v1 ? m + 20 : m + 12);
    const uint64_t length = v1 ? be64(m + 24) : be32(m + 16);
    if (scale != 0 && length != 0 && length != 0xFFFFFFFFull && length != UINT64_MAX) {
      duration = length;
      timescale = scale;
      found = true;
    }
    return false;
  });
  return found;
}

BoxReader memoryBoxReader(const uint8_t* data, size_t size) {
  return BoxReader{readMemory, const_cast<uint8_t*>(data), size};
}
