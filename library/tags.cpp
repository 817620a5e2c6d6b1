#include "library/tags.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <string_view>

#include "base/code_page.h"
#include "base/text.h"
#include "library/id3v2.h"
#include "library/tag_bytes.h"
#include "library/tag_window.h"

using namespace tagbytes;

namespace {

constexpr uint8_t kFlacLastBlock = 0x80;
constexpr uint8_t kFlacVorbisComment = 4;

void fillText(std::wstring& field, const std::wstring& raw) {
  if (field.empty()) field = cleanTagText(raw);
}

size_t cutAtNul(const uint8_t* bytes, size_t length) {
  const void* nul = std::memchr(bytes, 0, length);
  return nul ? static_cast<size_t>(static_cast<const uint8_t*>(nul) - bytes) : length;
}

std::wstring decodeUtf8Value(const uint8_t* bytes, size_t length) {
  std::wstring out;
  convertCodePage(kCodePageUtf8, bytes, std::min(cutAtNul(bytes, length), kMaxLegacyTextBytes),
                  out);
  return out;
}

// RIFF INFO sub-chunks: the first INAM and IART.
void readRiffInfo(const uint8_t* data, size_t length, uint32_t codepage, std::wstring& title,
                  std::wstring& artist) {
  size_t pos = 0;
  while (length - pos >= 8) {
    const uint8_t* chunk = data + pos;
    const uint32_t size = le32(chunk + 4);
    if (size > length - pos - 8) break;
    if (std::memcmp(chunk, "INAM", 4) == 0) {
      if (title.empty()) title = decodeLegacyText(chunk + 8, size, codepage);
    } else if (std::memcmp(chunk, "IART", 4) == 0) {
      if (artist.empty()) artist = decodeLegacyText(chunk + 8, size, codepage);
    }
    pos += 8 + size;
    if ((size & 1) && pos < length) ++pos;  // word alignment pad
  }
}

uint64_t remainingAt(const TagWindow& window, uint64_t pos) {
  return window.size() > pos ? window.size() - pos : 0;
}

// Walks every chunk header to the end of the file; only LIST/INFO and id3 chunk bodies are
// read, wherever they lie (taggers often append them after the data). False when the file is
// not RIFF/WAVE.
bool readRiff(TagWindow& window, uint32_t codepage, TagInfo& info) {
  const uint8_t* head = window.read(0, 12);
  if (!head || std::memcmp(head, "RIFF", 4) != 0 || std::memcmp(head + 8, "WAVE", 4) != 0)
    return false;
  TagInfo fromId3;
  std::wstring infoTitle, infoArtist;
  uint64_t pos = 12;
  while (remainingAt(window, pos) >= 8) {
    const uint8_t* chunk = window.read(pos, 8);
    if (!chunk) break;
    const bool isList = std::memcmp(chunk, "LIST", 4) == 0;
    const bool isId3 = std::memcmp(chunk, "id3 ", 4) == 0 || std::memcmp(chunk, "ID3 ", 4) == 0;
    const uint32_t size = le32(chunk + 4);
    const uint64_t remaining = remainingAt(window, pos + 8);
    const bool fits = size <= remaining;
    const uint64_t dataLength = fits ? size : remaining;
    if (isList && size > 3 && dataLength >= 4) {
      size_t got = 0;  // a list larger than the budget is read as far as it goes
      const uint8_t* body = window.readSome(pos + 8, static_cast<size_t>(dataLength), got);
      if (got >= 4 && std::memcmp(body, "INFO", 4) == 0)
        readRiffInfo(body + 4, got - 4, codepage, infoTitle, infoArtist);
    } else if (isId3) {
      readId3v2(window, pos + 8, pos + 8 + dataLength, codepage, false, fromId3);
    }
    if (!fits) break;
    pos += 8 + uint64_t(size);
    if ((size & 1) && pos < window.size()) ++pos;
  }
  // An id3 chunk is the richer tag: it wins over INFO wherever it has a value, whichever
  // comes first in the file.
  if (info.title.empty()) info.title = fromId3.title;
  if (info.artist.empty()) info.artist = fromId3.artist;
  fillText(info.title, infoTitle);
  fillText(info.artist, infoArtist);
  return true;
}

bool keyIs(const uint8_t* key, size_t length, std::string_view name) {
  if (length != name.size()) return false;
  for (size_t i = 0; i < length; ++i) {
    uint8_t c = key[i];
    if (c >= 'a' && c <= 'z') c = static_cast<uint8_t>(c - 'a' + 'A');
    if (c != static_cast<uint8_t>(name[i])) return false;
  }
  return true;
}

void readVorbisComment(const uint8_t* data, size_t length, TagInfo& info) {
  if (length < 4) return;
  const uint32_t vendorLength = le32(data);
  size_t pos = 4;
  if (vendorLength > length - pos) return;
  pos += vendorLength;
  if (length - pos < 4) return;
  const uint32_t count = le32(data + pos);
  pos += 4;
  std::wstring title, artist;
  for (uint32_t i = 0; i < count; ++i) {
    if (length - pos < 4) break;
    const uint32_t size = le32(data + pos);
    pos += 4;
    if (size > length - pos) break;
    const uint8_t* comment = data + pos;
    pos += size;
    const void* eq = std::memchr(comment, '=', size);
    if (!eq) continue;
    const size_t keyLength = static_cast<size_t>(static_cast<const uint8_t*>(eq) - comment);
    const uint8_t* value = comment + keyLength + 1;
    const size_t valueLength = size - keyLength - 1;
    if (keyIs(comment, keyLength, "TITLE")) {
      if (title.empty()) title = decodeUtf8Value(value, valueLength);
    } else if (keyIs(comment, keyLength, "ARTIST")) {
      if (artist.empty()) artist = decodeUtf8Value(value, valueLength);
    }
  }
  fillText(info.title, title);
  fillText(info.artist, artist);
}

// Steps over the metadata blocks (stream info, pictures, padding) to the comment block.
void readFlac(TagWindow& window, uint64_t pos, TagInfo& info) {
  const uint8_t* magic = window.read(pos, 4);
  if (!magic || std::memcmp(magic, "fLaC", 4) != 0) return;
  pos += 4;
  while (remainingAt(window, pos) >= 4) {
    const uint8_t* header = window.read(pos, 4);
    if (!header) break;
    const uint8_t type = header[0];
    const uint32_t size = be24(header + 1);
    if (size > remainingAt(window, pos) - 4) break;
    if ((type & 0x7F) == kFlacVorbisComment) {
      size_t got = 0;  // comments beyond the budget are cut off
      const uint8_t* body = window.readSome(pos + 4, size, got);
      readVorbisComment(body, got, info);
      break;
    }
    if (type & kFlacLastBlock) break;
    pos += 4 + uint64_t(size);
  }
}

void readId3v1(const uint8_t* tail, size_t tailLength, uint32_t codepage, TagInfo& info) {
  if (!tail || tailLength < kTagTailBytes) return;
  const uint8_t* tag = tail + tailLength - kTagTailBytes;
  if (std::memcmp(tag, "TAG", 3) != 0) return;
  fillText(info.title, decodeLegacyText(tag + 3, 30, codepage));
  fillText(info.artist, decodeLegacyText(tag + 33, 30, codepage));
}

}  // namespace

std::wstring decodeLegacyText(const uint8_t* bytes, size_t length, uint32_t codepage) {
  if (!bytes) return {};
  length = cutAtNul(bytes, length);
  if (length == 0) return {};
  const std::string_view view(reinterpret_cast<const char*>(bytes), length);
  const bool multiByte =
      std::any_of(view.begin(), view.end(), [](char c) { return static_cast<uint8_t>(c) >= 0x80; });
  uint32_t chosen = codepage;
  if (multiByte && text::isValidUtf8(view)) {
    chosen = kCodePageUtf8;
  } else if (chosen == 0) {
    // Western text is mostly ASCII letters; Cyrillic in 1251 is mostly bytes from 0xC0 up.
    size_t letters = 0, high = 0;
    for (size_t i = 0; i < length; ++i) {
      const uint8_t b = bytes[i];
      if ((b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z')) ++letters;
      if (b >= 0xC0) ++high;
    }
    chosen = letters >= high ? 1252 : 1251;
  }
  std::wstring out;
  if (!convertCodePage(chosen, bytes, std::min(length, kMaxLegacyTextBytes), out)) return {};
  return out;
}

std::wstring cleanTagText(std::wstring_view text) {
  std::wstring out(text.substr(0, kMaxTagTextChars));
  for (wchar_t& c : out) {
    if (c < 32 || c == 127) c = L' ';
  }
  const size_t last = out.find_last_not_of(L' ');
  if (last == std::wstring::npos) return {};
  out.erase(last + 1);
  out.erase(0, out.find_first_not_of(L' '));
  return out;
}

TagInfo parseTagWindow(TagWindow& window, const uint8_t* tail, size_t tailLength,
                       uint32_t codepage) {
  if (!tail) tailLength = 0;
  TagInfo info;
  try {
    const uint64_t id3Length = readId3v2(window, 0, window.size(), codepage, true, info);
    // A RIFF file has its magic where an ID3v2 tag or a FLAC stream would begin, so testing
    // in this order finds the same and keeps every read going forward.
    if (id3Length > 0 || !readRiff(window, codepage, info)) readFlac(window, id3Length, info);
    readId3v1(tail, tailLength, codepage, info);
  } catch (const std::bad_alloc&) {
    return {};
  }
  return info;
}

TagInfo parseTags(const uint8_t* buffer, size_t length, const uint8_t* tail, size_t tailLength,
                  uint32_t codepage) {
  MemoryTagReader reader(buffer, length);
  TagWindow window(reader, kTagFullReadBytes);
  return parseTagWindow(window, tail, tailLength, codepage);
}
