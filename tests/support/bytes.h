// Byte-building helpers for tests that hand-make file images: big- and little-endian
// integers, ID3 sizes, text and concatenation. Portable.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace testbytes {

using Bytes = std::vector<uint8_t>;

inline Bytes cat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

inline void append(Bytes& to, const Bytes& more) { to.insert(to.end(), more.begin(), more.end()); }

inline Bytes& operator+=(Bytes& a, const Bytes& b) {
  append(a, b);
  return a;
}

inline Bytes operator+(Bytes a, const Bytes& b) { return a += b; }

inline Bytes be16(uint16_t v) { return {uint8_t(v >> 8), uint8_t(v)}; }
inline Bytes be24(uint32_t v) { return {uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)}; }
inline Bytes be32(uint32_t v) {
  return {uint8_t(v >> 24), uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)};
}
inline Bytes be64(uint64_t v) { return be32(uint32_t(v >> 32)) + be32(uint32_t(v)); }
inline Bytes le16(uint16_t v) { return {uint8_t(v), uint8_t(v >> 8)}; }
inline Bytes le32(uint32_t v) {
  return {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
}
inline Bytes le64(uint64_t v) { return le32(uint32_t(v)) + le32(uint32_t(v >> 32)); }
// ID3's seven bits per byte.
inline Bytes syncsafe(uint32_t v) {
  return {uint8_t((v >> 21) & 0x7F), uint8_t((v >> 14) & 0x7F), uint8_t((v >> 7) & 0x7F),
          uint8_t(v & 0x7F)};
}
inline Bytes zeros(size_t n) { return Bytes(n, 0); }
inline Bytes bytes(std::string_view s) { return Bytes(s.begin(), s.end()); }
inline Bytes str(const std::string& s) { return bytes(s); }

inline Bytes utf16(const std::u16string& s, bool bigEndian) {
  Bytes out;
  for (char16_t c : s) out += bigEndian ? be16(c) : le16(c);
  return out;
}

// An ID3v2.3 frame (id, 32-bit size, no flags), and the tag around frames.
inline Bytes id3Frame(std::string_view id, const Bytes& body) {
  return bytes(id) + be32(uint32_t(body.size())) + zeros(2) + body;
}
inline Bytes id3Tag(const Bytes& frames) {
  return bytes("ID3") + Bytes{3, 0, 0} + syncsafe(uint32_t(frames.size())) + frames;
}

inline std::string dataPath(const char* name) {
  return std::string(TWK_SOURCE_DIR "/tests/data/containers/") + name;
}

}  // namespace testbytes
