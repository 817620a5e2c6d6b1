#include "net/radio/stream_type.h"

#include <array>

#include "net/radio/adts.h"

namespace radio {

namespace {

std::wstring lowerAscii(std::wstring_view s) {
  std::wstring out(s);
  for (wchar_t& c : out) {
    if (c >= L'A' && c <= L'Z') c = wchar_t(c + 32);
  }
  return out;
}

bool contains(std::wstring_view s, std::wstring_view part) {
  return s.find(part) != std::wstring_view::npos;
}

template <size_t N>
bool isOneOf(std::wstring_view s, const std::array<std::wstring_view, N>& list) {
  for (std::wstring_view item : list) {
    if (s == item) return true;
  }
  return false;
}

constexpr std::array<std::wstring_view, 6> kMp3Types = {L"audio/mpeg",  L"audio/mp3",
                                                        L"audio/mpeg3", L"audio/x-mpeg",
                                                        L"audio/x-mp3", L"audio/x-mpeg-3"};
constexpr std::array<std::wstring_view, 6> kAacTypes = {L"audio/aac",      L"audio/aacp",
                                                        L"audio/x-aac",    L"audio/x-aacp",
                                                        L"audio/aac-adts", L"audio/vnd.dlna.adts"};
constexpr std::array<std::wstring_view, 3> kUntypedTypes = {L"", L"application/octet-stream",
                                                            L"binary/octet-stream"};

}  // namespace

ContentClass classifyContentType(std::wstring_view header) {
  std::wstring_view cut = header.substr(0, header.find(L';'));
  while (!cut.empty() && cut.back() == L' ') cut.remove_suffix(1);
  const std::wstring type = lowerAscii(cut);

  if (isOneOf(type, kMp3Types)) return {StreamClass::Mp3, {}};
  if (isOneOf(type, kAacTypes)) return {StreamClass::Aac, {}};
  if (isOneOf(type, kUntypedTypes)) return {StreamClass::Unknown, {}};
  if (contains(type, L"aac") || type == L"audio/mp4") {
    return {StreamClass::Refused, L"This kind of AAC stream isn't supported (" + type + L")"};
  }
  if (contains(type, L"ogg") || contains(type, L"opus")) {
    return {StreamClass::Refused, L"Ogg stations aren't supported (MP3 and AAC only)"};
  }
  if (contains(type, L"mpegurl") || contains(type, L"scpls")) {
    return {StreamClass::Refused, L"This is a playlist link; use the stream URL inside it"};
  }
  return {StreamClass::Refused, L"Not an MP3 or AAC stream (" + type + L")"};
}

bool contentTypeNamesPlaylist(std::wstring_view header) {
  const std::wstring lower = lowerAscii(header);
  return contains(lower, L"mpegurl") || contains(lower, L"scpls");
}

uint32_t parseMetaint(std::wstring_view header) {
  while (!header.empty() && (header.front() == L' ' || header.front() == L'\t'))
    header.remove_prefix(1);
  while (!header.empty() && (header.back() == L' ' || header.back() == L'\t'))
    header.remove_suffix(1);
  if (header.empty()) return 0;
  uint64_t value = 0;
  for (wchar_t c : header) {
    if (c < L'0' || c > L'9') return 0;
    value = value * 10 + uint64_t(c - L'0');
    if (value > kMaxMetaint) return 0;
  }
  return static_cast<uint32_t>(value);
}

Sniff sniffStream(const uint8_t* bytes, size_t length, bool ended) {
  size_t offset = 0;
  AdtsHeader header;
  if (bytes && findAdtsSync(bytes, length, 0, offset, header)) return Sniff::Aac;
  return ended || length >= kSniffBytes ? Sniff::Mp3 : Sniff::NeedMore;
}

}  // namespace radio
