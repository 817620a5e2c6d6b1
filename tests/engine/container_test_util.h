// Byte-building helpers for the container parser tests.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace testbytes {

using Bytes = std::vector<uint8_t>;

inline Bytes cat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

inline void append(Bytes& to, const Bytes& more) { to.insert(to.end(), more.begin(), more.end()); }

inline Bytes be16(uint16_t v) { return {uint8_t(v >> 8), uint8_t(v)}; }
inline Bytes be32(uint32_t v) { return {uint8_t(v >> 24), uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)}; }
inline Bytes be64(uint64_t v) { return cat({be32(uint32_t(v >> 32)), be32(uint32_t(v))}); }
inline Bytes le16(uint16_t v) { return {uint8_t(v), uint8_t(v >> 8)}; }
inline Bytes le32(uint32_t v) { return {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)}; }
inline Bytes le64(uint64_t v) { return cat({le32(uint32_t(v)), le32(uint32_t(v >> 32))}); }
inline Bytes zeros(size_t n) { return Bytes(n, 0); }
inline Bytes str(const std::string& s) { return Bytes(s.begin(), s.end()); }

inline Bytes utf16(const std::u16string& s, bool bigEndian) {
  Bytes out;
  for (char16_t c : s) {
    Bytes unit = bigEndian ? be16(c) : le16(c);
    out.insert(out.end(), unit.begin(), unit.end());
  }
  return out;
}

inline std::string dataPath(const char* name) {
  return std::string(TWK_SOURCE_DIR "/tests/data/containers/") + name;
}

}  // namespace testbytes
