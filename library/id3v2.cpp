#include "library/id3v2.h"

#include <algorithm>
#include <cstring>
#include <string_view>
#include <vector>

#include "base/code_page.h"
#include "library/tag_bytes.h"
#include "library/tag_window.h"
#include "library/tags.h"

using namespace tagbytes;

namespace {

constexpr uint8_t kFlagUnsynchronisation = 0x80;
constexpr uint8_t kFlagExtendedHeader = 0x40;  // compression in version 2.2
constexpr uint8_t kFlagFooter = 0x10;
constexpr uint8_t kTocTopLevel = 0x02;
// Frame flags (second byte) that make a frame unreadable for us.
constexpr uint8_t kSkipFlagsV3 = 0x80 | 0x40 | 0x20;  // compressed, encrypted, grouped
constexpr uint8_t kSkipFlagsV4 = 0x40 | 0x08 | 0x04 | 0x02 | 0x01;  // + unsynchronised, length

std::wstring decodeUtf16(const uint8_t* p, size_t length, bool bigEndian) {
  const size_t units = std::min(length / 2, kMaxUtf16TextUnits);
  std::wstring out;
  out.reserve(units);
  for (size_t i = 0; i < units; ++i) {
    const uint8_t a = p[2 * i], b = p[2 * i + 1];
    const wchar_t c = static_cast<wchar_t>(bigEndian ? (a << 8) | b : (b << 8) | a);
    if (c == 0) break;
    out.push_back(c);
  }
  return out;
}

// Walks the frames in [pos, end). bytes(offset, n) gives the n bytes at offset, or null when
// they cannot be had (which ends the walk). Only frames whose id `wanted` accepts have their
// body fetched; visit(id, body, size) then sees it.
template <typename Bytes, typename Wanted, typename Visit>
void walkFrames(Bytes&& bytes, uint64_t pos, uint64_t end, int version, Wanted&& wanted,
                Visit&& visit) {
  const size_t headerSize = version == 2 ? 6 : 10;
  while (pos <= end && end - pos >= headerSize) {
    const uint8_t* h = bytes(pos, headerSize);
    if (!h || h[0] == 0) break;  // unreadable, or padding
    uint32_t size;
    if (version == 2) {
      size = be24(h + 3);
    } else if (version == 3) {
      size = be32(h + 4);
    } else {
      if (!isSyncsafe(h + 4)) break;
      size = syncsafe32(h + 4);
    }
    if (size > end - pos - headerSize) break;
    bool skip = false;
    if (version == 3) skip = (h[9] & kSkipFlagsV3) != 0;
    if (version == 4) skip = (h[9] & kSkipFlagsV4) != 0;
    char idBytes[4] = {};
    std::memcpy(idBytes, h, version == 2 ? 3 : 4);  // h is gone once the body is fetched
    const std::string_view id(idBytes, version == 2 ? 3 : 4);
    if (!skip && wanted(id)) {
      const uint8_t* body = h + headerSize;  // never read when the frame is empty
      if (size > 0 && !(body = bytes(pos + headerSize, size))) break;
      visit(id, body, static_cast<size_t>(size));
    }
    pos += headerSize + size;
  }
}

struct ChapFrame {
  std::string elementId;
  Chapter chapter;
  bool used = false;
};

// The bytes up to a NUL; false when there is none.
bool readTerminated(const uint8_t* data, size_t length, size_t& pos, std::string& out) {
  const void* nul = std::memchr(data + pos, 0, length - pos);
  if (!nul) return false;
  const size_t end = static_cast<size_t>(static_cast<const uint8_t*>(nul) - data);
  out.assign(reinterpret_cast<const char*>(data + pos), end - pos);
  pos = end + 1;
  return true;
}

bool parseChap(const uint8_t* data, size_t length, int version, uint32_t codepage, ChapFrame& out) {
  size_t pos = 0;
  if (!readTerminated(data, length, pos, out.elementId)) return false;
  if (length - pos < 16) return false;
  out.chapter.startMs = be32(data + pos);
  // End time and the two byte offsets are not used.
  pos += 16;
  walkFrames([data](uint64_t at, size_t) { return data + at; }, pos, length, version,
             [&](std::string_view id) { return id == "TIT2" && out.chapter.title.empty(); },
             [&](std::string_view, const uint8_t* body, size_t size) {
               out.chapter.title = cleanTagText(decodeId3Text(body, size, codepage));
             });
  return true;
}

// A top-level CTOC's child element ids; false when the frame is not a top-level one.
bool parseTopLevelCtoc(const uint8_t* data, size_t length, std::vector<std::string>& children) {
  size_t pos = 0;
  std::string elementId;
  if (!readTerminated(data, length, pos, elementId)) return false;
  if (length - pos < 2) return false;
  const uint8_t flags = data[pos];
  const uint8_t count = data[pos + 1];
  pos += 2;
  if ((flags & kTocTopLevel) == 0) return false;
  children.clear();
  std::string child;
  for (unsigned i = 0; i < count; ++i) {
    if (!readTerminated(data, length, pos, child)) break;
    children.push_back(child);
  }
  return true;
}

void fillText(std::wstring& field, const std::wstring& raw) {
  if (field.empty()) field = cleanTagText(raw);
}

}  // namespace

std::wstring decodeId3Text(const uint8_t* data, size_t length, uint32_t codepage) {
  if (!data || length == 0) return {};
  const uint8_t encoding = data[0];
  const uint8_t* p = data + 1;
  size_t n = length - 1;
  switch (encoding) {
    case 0:
      return decodeLegacyText(p, n, codepage);
    case 1:
    case 2: {
      bool bigEndian = encoding == 2;
      if (n >= 2 && p[0] == 0xFF && p[1] == 0xFE) {
        bigEndian = false;
        p += 2;
        n -= 2;
      } else if (n >= 2 && p[0] == 0xFE && p[1] == 0xFF) {
        bigEndian = true;
        p += 2;
        n -= 2;
      }
      return decodeUtf16(p, n, bigEndian);
    }
    case 3: {
      if (const void* nul = std::memchr(p, 0, n))
        n = static_cast<size_t>(static_cast<const uint8_t*>(nul) - p);
      std::wstring out;
      convertCodePage(kCodePageUtf8, p, std::min(n, kMaxLegacyTextBytes), out);
      return out;
    }
    default:
      return {};
  }
}

uint64_t readId3v2(TagWindow& window, uint64_t start, uint64_t end, uint32_t codepage,
                   bool withChapters, TagInfo& info) {
  if (end < start || end - start < 10) return 0;
  const uint8_t* header = window.read(start, 10);
  if (!header || std::memcmp(header, "ID3", 3) != 0) return 0;
  const int version = header[3];
  if (version < 2 || version > 4 || !isSyncsafe(header + 6)) return 0;
  const uint8_t flags = header[5];
  uint64_t total = uint64_t(syncsafe32(header + 6)) + 10;
  if (version == 4 && (flags & kFlagFooter)) total += 10;
  const uint64_t tagLength = std::min(total, end - start);

  // Unsynchronised tags and compressed 2.2 tags would need undoing first; we skip them.
  if (flags & kFlagUnsynchronisation) return tagLength;
  if (version == 2 && (flags & kFlagExtendedHeader)) return tagLength;

  uint64_t first = 10;
  if (version >= 3 && (flags & kFlagExtendedHeader)) {
    if (tagLength < 14) return tagLength;
    const uint8_t* extended = window.read(start + 10, 4);
    if (!extended) return tagLength;
    if (version == 3) {
      const uint32_t size = be32(extended);  // excludes its own 4 size bytes
      if (size > tagLength - 14) return tagLength;
      first = 10 + uint64_t(size) + 4;
    } else {
      if (!isSyncsafe(extended)) return tagLength;
      const uint32_t size = syncsafe32(extended);  // includes itself
      if (size < 6 || size > tagLength - 10) return tagLength;
      first = 10 + uint64_t(size);
    }
  }

  const char* titleId = version == 2 ? "TT2" : "TIT2";
  const char* artistId = version == 2 ? "TP1" : "TPE1";
  std::wstring title, artist;
  std::vector<ChapFrame> chapters;
  std::vector<std::string> toc;
  bool haveToc = false;
  // Bodies of other frames (cover art above all) are stepped over, never read.
  auto wanted = [&](std::string_view id) {
    if (id == titleId) return title.empty();
    if (id == artistId) return artist.empty();
    if (version < 3 || !withChapters) return false;
    if (id == "CHAP") return chapters.size() < kMaxChapFrames;
    return id == "CTOC" && !haveToc;
  };
  walkFrames([&](uint64_t at, size_t n) { return window.read(start + at, n); }, first, tagLength,
             version, wanted,
             [&](std::string_view id, const uint8_t* body, size_t size) {
               if (id == titleId) {
                 title = decodeId3Text(body, size, codepage);
               } else if (id == artistId) {
                 artist = decodeId3Text(body, size, codepage);
               } else if (id == "CHAP") {
                 ChapFrame chap;
                 if (parseChap(body, size, version, codepage, chap))
                   chapters.push_back(std::move(chap));
               } else {
                 haveToc = parseTopLevelCtoc(body, size, toc);
               }
             });

  fillText(info.title, title);
  fillText(info.artist, artist);
  if (!withChapters || !info.chapters.empty() || chapters.empty()) return tagLength;

  if (haveToc) {
    for (const std::string& child : toc) {
      if (child.empty()) continue;
      for (ChapFrame& chap : chapters) {
        if (!chap.used && chap.elementId == child) {
          chap.used = true;
          info.chapters.push_back(std::move(chap.chapter));
          break;
        }
      }
    }
  } else {
    for (ChapFrame& chap : chapters) info.chapters.push_back(std::move(chap.chapter));
  }
  std::stable_sort(info.chapters.begin(), info.chapters.end(),
                   [](const Chapter& a, const Chapter& b) { return a.startMs < b.startMs; });
  return tagLength;
}
