#include "cd/cd_text.h"

#include <algorithm>
#include <string>
#include <vector>

#include "library/tags.h"

namespace cd {

namespace {

constexpr size_t kHeaderBytes = 4;
constexpr size_t kPackTextBytes = 12;
constexpr uint8_t kTab = 0x09;

struct Pack {
  const uint8_t* bytes;
  uint8_t type() const { return bytes[0]; }
  uint8_t trackByte() const { return bytes[1]; }
  uint8_t sequence() const { return bytes[2]; }
  uint8_t block() const { return (bytes[3] >> 4) & 0x07; }
  bool doubleByte() const { return (bytes[3] & 0x80) != 0; }
  uint8_t characterPosition() const { return bytes[3] & 0x0F; }
  const uint8_t* text() const { return bytes + 4; }
  uint16_t storedCrc() const { return static_cast<uint16_t>((bytes[16] << 8) | bytes[17]); }
};

struct RawText {
  std::string bytes;
  bool completed = false;
  bool broken = false;
};

// A double-byte block, or a character code other than ISO 8859-1 (0) and ASCII (1), would
// decode as garbage: such a disc gets no CD-Text at all.
bool refused(const std::vector<Pack>& packs) {
  for (const Pack& p : packs) {
    if (p.doubleByte()) return true;
    if (p.type() == kPackSizeInfo && (p.trackByte() & 0x7F) == 0 && p.text()[0] > 1) return true;
  }
  return false;
}

// The texts of one pack type. A text runs across packs in sequence; when the sequence breaks
// the text that was open is lost, and a text whose start was lost is not used.
std::array<RawText, kTextSlots> collect(const std::vector<Pack>& packs, uint8_t type) {
  std::array<RawText, kTextSlots> texts;
  bool havePrevious = false;
  unsigned previousSequence = 0;
  size_t j = kTextSlots;  // where the previous pack ended
  auto startText = [&texts](size_t index) {
    if (index < kTextSlots) texts[index] = RawText();
  };
  for (const Pack& p : packs) {
    if (p.type() != type || (p.trackByte() & 0x80)) continue;
    const size_t first = p.trackByte();
    if (first >= kTextSlots) continue;
    const bool continues = havePrevious && p.sequence() == previousSequence + 1 && first == j;
    if (!continues) {
      if (havePrevious && j < kTextSlots && !texts[j].completed) texts[j].broken = true;
      j = first;
      startText(j);
      if (p.characterPosition() != 0) texts[j].broken = true;
    }
    for (size_t i = 0; i < kPackTextBytes && j < kTextSlots; ++i) {
      const uint8_t b = p.text()[i];
      if (b != 0) {
        if (texts[j].bytes.size() < kMaxCdTextBytes) texts[j].bytes.push_back(static_cast<char>(b));
      } else {
        texts[j].completed = true;
        startText(++j);
      }
    }
    havePrevious = true;
    previousSequence = p.sequence();
  }
  if (havePrevious && j < kTextSlots && !texts[j].completed) texts[j].broken = true;
  return texts;
}

bool convert(const std::array<RawText, kTextSlots>& texts, uint32_t codepage, DiscTexts& out) {
  bool any = false;
  for (size_t i = 0; i < kTextSlots; ++i) {
    const RawText& t = texts[i];
    if (!t.completed || t.broken || t.bytes.empty()) continue;
    if (t.bytes.size() == 1 && t.bytes[0] == kTab) {
      // A lone TAB repeats the previous track's text; the album has none to repeat.
      if (i >= 2) out[i] = out[i - 1];
    } else {
      out[i] = decodeLegacyText(reinterpret_cast<const uint8_t*>(t.bytes.data()), t.bytes.size(),
                                codepage);
    }
    any = any || !out[i].empty();
  }
  return any;
}

}  // namespace

uint16_t cdTextCrc(const uint8_t* bytes, size_t length) {
  uint16_t crc = 0;
  for (size_t i = 0; i < length; ++i) {
    crc ^= static_cast<uint16_t>(bytes[i] << 8);
    for (int bit = 0; bit < 8; ++bit)
      crc = static_cast<uint16_t>((crc & 0x8000) ? (crc << 1) ^ 0x1021 : crc << 1);
  }
  return crc;
}

bool decodeCdText(const uint8_t* data, size_t length, uint32_t codepage, DiscTexts& titles,
                  DiscTexts& performers) {
  titles.fill(std::wstring());
  performers.fill(std::wstring());
  if (!data || length < kHeaderBytes) return false;
  const size_t usable = std::min(length, ((size_t{data[0]} << 8) | data[1]) + 2);
  if (usable < kHeaderBytes) return false;
  const size_t count = (usable - kHeaderBytes) / kCdTextPackBytes;
  if (count == 0) return false;

  std::vector<Pack> all;
  all.reserve(count);
  for (size_t i = 0; i < count; ++i) all.push_back({data + kHeaderBytes + i * kCdTextPackBytes});

  // Some drives hand out the packs with their CRC bytes zeroed; such a block is taken on trust.
  const bool anyValid = std::any_of(all.begin(), all.end(), [](const Pack& p) {
    return p.storedCrc() == static_cast<uint16_t>(~cdTextCrc(p.bytes, 16));
  });
  const bool allZero =
      std::all_of(all.begin(), all.end(), [](const Pack& p) { return p.storedCrc() == 0; });
  std::vector<Pack> block0;
  for (const Pack& p : all) {
    const bool valid =
        (!anyValid && allZero) || p.storedCrc() == static_cast<uint16_t>(~cdTextCrc(p.bytes, 16));
    if (valid && p.block() == 0) block0.push_back(p);
  }
  if (block0.empty() || refused(block0)) return false;

  const bool haveTitles = convert(collect(block0, kPackTitle), codepage, titles);
  const bool havePerformers = convert(collect(block0, kPackPerformer), codepage, performers);
  return haveTitles || havePerformers;
}

}  // namespace cd
