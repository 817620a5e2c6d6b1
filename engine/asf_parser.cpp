#include "engine/asf_parser.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>

#include "base/text.h"
#include "engine/container_text.h"

namespace {

using namespace std::string_view_literals;

struct Guid {
  uint8_t bytes[16];
};

// GUIDs are stored with their first three fields little-endian.
constexpr Guid makeGuid(uint32_t d1, uint16_t d2, uint16_t d3, uint64_t d4) {
  Guid g{};
  for (int i = 0; i < 4; ++i) g.bytes[i] = uint8_t(d1 >> (8 * i));
  for (int i = 0; i < 2; ++i) g.bytes[4 + i] = uint8_t(d2 >> (8 * i));
  for (int i = 0; i < 2; ++i) g.bytes[6 + i] = uint8_t(d3 >> (8 * i));
  for (int i = 0; i < 8; ++i) g.bytes[8 + i] = uint8_t(d4 >> (8 * (7 - i)));
  return g;
}

constexpr Guid kHeaderObject = makeGuid(0x75B22630, 0x668E, 0x11CF, 0xA6D900AA0062CE6C);
constexpr Guid kContentDescription = makeGuid(0x75B22633, 0x668E, 0x11CF, 0xA6D900AA0062CE6C);
constexpr Guid kExtendedContentDescription =
    makeGuid(0xD2D0A440, 0xE307, 0x11D2, 0x97F000A0C95EA850);
constexpr Guid kContentEncryption = makeGuid(0x2211B3FB, 0xBD23, 0x11D2, 0xB4B700A0C955FC6E);
constexpr Guid kExtendedContentEncryption =
    makeGuid(0x298AE614, 0x2622, 0x4C17, 0xB935DAE07EE9289C);
constexpr Guid kAdvancedContentEncryption =
    makeGuid(0x43058533, 0x6981, 0x49E6, 0x9B74AD12CB86D58C);
constexpr Guid kHeaderExtension = makeGuid(0x5FBF03B5, 0xA92E, 0x11CF, 0x8EE300C00C205365);

constexpr size_t kHeaderObjectSize = 30;
constexpr size_t kObjectHeaderSize = 24;
constexpr uint32_t kMaxObjects = 1024;
constexpr uint16_t kMaxDescriptors = 4096;

bool isGuid(const uint8_t* p, const Guid& g) { return std::memcmp(p, g.bytes, 16) == 0; }

uint16_t le16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }
uint32_t le32(const uint8_t* p) { return uint32_t(le16(p)) | uint32_t(le16(p + 2)) << 16; }
uint64_t le64(const uint8_t* p) { return uint64_t(le32(p)) | uint64_t(le32(p + 4)) << 32; }

std::wstring asfText(const uint8_t* p, size_t length) {
  std::wstring s = container::utf16Text(p, length, false);
  while (!s.empty() && (s.back() == L' ' || s.back() == L'\t')) s.pop_back();
  return s;
}

struct Found {
  std::wstring title, author;                        // Content Description
  std::wstring extTitle, extAuthor, extAlbumArtist;  // Extended Content Description
  bool drm = false;
};

void readContentDescription(const uint8_t* c, size_t length, Found& found) {
  if (length < 10) return;
  const size_t titleLength = le16(c);
  const size_t authorLength = le16(c + 2);
  if (titleLength > length - 10) return;
  found.title = asfText(c + 10, titleLength);
  if (authorLength > length - 10 - titleLength) return;
  found.author = asfText(c + 10 + titleLength, authorLength);
}

void readExtendedContentDescription(const uint8_t* c, size_t length, Found& found) {
  if (length < 2) return;
  const uint16_t count = std::min(le16(c), kMaxDescriptors);
  size_t pos = 2;
  for (uint16_t i = 0; i < count; ++i) {
    if (length - pos < 2) return;
    const size_t nameLength = le16(c + pos);
    pos += 2;
    if (length - pos < nameLength || length - pos - nameLength < 4) return;
    const uint8_t* name = c + pos;
    pos += nameLength;
    const uint16_t type = le16(c + pos);
    const size_t valueLength = le16(c + pos + 2);
    pos += 4;
    if (length - pos < valueLength) return;
    const uint8_t* value = c + pos;
    pos += valueLength;
    if (type != 0) continue;
    const std::wstring key = asfText(name, nameLength);
    std::wstring* target = text::equalsOrdinalIgnoreCase(key, L"Title"sv)    ? &found.extTitle
                           : text::equalsOrdinalIgnoreCase(key, L"Author"sv) ? &found.extAuthor
                           : text::equalsOrdinalIgnoreCase(key, L"WM/AlbumArtist"sv)
                               ? &found.extAlbumArtist
                               : nullptr;
    if (target) *target = asfText(value, valueLength);
  }
}

bool hasAdvancedEncryption(const uint8_t* c, size_t length) {
  if (length <= 21) return false;
  const uint8_t* data = c + 22;
  const size_t dataLength = std::min<uint64_t>(le32(c + 18), length - 22);
  size_t pos = 0;
  for (uint32_t i = 0; i < kMaxObjects; ++i) {
    if (dataLength - pos < kObjectHeaderSize) return false;
    const uint64_t size = le64(data + pos + 16);
    if (size < kObjectHeaderSize || size > dataLength - pos) return false;
    if (isGuid(data + pos, kAdvancedContentEncryption)) return true;
    pos += static_cast<size_t>(size);
  }
  return false;
}

}  // namespace

uint64_t asfHeaderSize(const uint8_t* buffer, size_t length) {
  if (!buffer || length < kHeaderObjectSize || !isGuid(buffer, kHeaderObject)) return 0;
  const uint64_t size = le64(buffer + 16);
  return size >= kHeaderObjectSize ? size : 0;
}

void readAsfHeader(const uint8_t* buffer, size_t length, TagInfo& info) {
  const uint64_t headerSize = asfHeaderSize(buffer, length);
  if (headerSize == 0) return;
  const size_t usable = static_cast<size_t>(std::min<uint64_t>(headerSize, length));
  const uint32_t count = std::min(le32(buffer + 24), kMaxObjects);
  Found found;
  size_t pos = kHeaderObjectSize;
  for (uint32_t i = 0; i < count; ++i) {
    const uint8_t* object = buffer + pos;
    if (usable - pos < kObjectHeaderSize) {
      // The buffer ends inside this object's header: its GUID alone still tells of DRM.
      if (usable < headerSize && usable - pos >= 16 &&
          (isGuid(object, kContentEncryption) || isGuid(object, kExtendedContentEncryption))) {
        found.drm = true;
      }
      break;
    }
    const uint64_t size = le64(object + 16);
    if (size < kObjectHeaderSize || size > headerSize - pos) break;
    if (isGuid(object, kContentEncryption) || isGuid(object, kExtendedContentEncryption)) {
      found.drm = true;
    }
    if (size > usable - pos) break;
    const uint8_t* content = object + kObjectHeaderSize;
    const size_t contentLength = static_cast<size_t>(size) - kObjectHeaderSize;
    if (isGuid(object, kContentDescription)) {
      readContentDescription(content, contentLength, found);
    } else if (isGuid(object, kExtendedContentDescription)) {
      readExtendedContentDescription(content, contentLength, found);
    } else if (isGuid(object, kHeaderExtension) && hasAdvancedEncryption(content, contentLength)) {
      found.drm = true;
    }
    pos += static_cast<size_t>(size);
  }

  if (info.title.empty()) info.title = !found.title.empty() ? found.title : found.extTitle;
  if (info.artist.empty()) {
    info.artist = !found.author.empty()      ? found.author
                  : !found.extAuthor.empty() ? found.extAuthor
                                             : found.extAlbumArtist;
  }
  if (found.drm) info.drm = true;
}
