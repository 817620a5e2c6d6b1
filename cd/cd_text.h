// CD-Text: album and track titles and performers from the drive's format-5 answer (packs of
// 18 bytes with a CRC). Only block 0 in a single-byte character code is used. Portable.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace cd {

// Index 0 is the album, index n track n.
constexpr size_t kTextSlots = 100;
using DiscTexts = std::array<std::wstring, kTextSlots>;

constexpr size_t kCdTextPackBytes = 18;
constexpr size_t kMaxCdTextBytes = 160;  // kept of one text

constexpr uint8_t kPackTitle = 0x80;
constexpr uint8_t kPackPerformer = 0x81;
constexpr uint8_t kPackSizeInfo = 0x8F;

// CRC-16, polynomial 0x1021, initial value 0, over the given bytes. A pack stores the one's
// complement of the value over its first 16 bytes, big-endian, in its last two.
uint16_t cdTextCrc(const uint8_t* bytes, size_t length);

// Fills titles and performers, converting each text as 8-bit tag text in the tag code page,
// and tells whether any CD-Text was used. Both are emptied first.
bool decodeCdText(const uint8_t* data, size_t length, uint32_t codepage, DiscTexts& titles,
                  DiscTexts& performers);

}  // namespace cd
