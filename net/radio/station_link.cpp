#include "net/radio/station_link.h"

#include "base/text.h"
#include "net/http/error_text.h"

namespace radio {

namespace {

bool isBlank(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n'; }

std::wstring_view trim(std::wstring_view s) {
  while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
  return s;
}

// ASCII letters only: the prefixes compared are ASCII.
bool startsWithIgnoringCase(std::wstring_view s, std::wstring_view prefix) {
  if (s.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i) {
    const wchar_t c = s[i] >= L'a' && s[i] <= L'z' ? wchar_t(s[i] - 32) : s[i];
    if (c != prefix[i]) return false;
  }
  return true;
}

}  // namespace

std::wstring parseStationLink(const uint8_t* bytes, size_t length, bool& hls) {
  hls = false;
  if (!bytes) length = 0;
  size_t pos = 0;
  if (length >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF) pos = 3;

  std::wstring url;
  while (pos <= length) {
    size_t end = pos;
    while (end < length && bytes[end] != '\r' && bytes[end] != '\n') ++end;
    const size_t lineBytes = end - pos;
    std::wstring converted;
    if (lineBytes >= 1 && lineBytes <= kMaxStationLinkLineBytes) {
      converted =
          text::utf8ToWide(std::string_view(reinterpret_cast<const char*>(bytes + pos), lineBytes));
    }
    pos = end + 1;

    std::wstring_view line = trim(converted);
    if (line.empty()) continue;
    if (startsWithIgnoringCase(line, L"#EXT-X-")) {
      hls = true;
      return {};
    }
    if (line.front() == L'#' || line.front() == L';' || line.front() == L'[') continue;
    if (startsWithIgnoringCase(line, L"FILE")) {
      // File1=..., File2=...; a bare "file=" is not such a key.
      const size_t equals = line.find(L'=');
      if (equals != std::wstring_view::npos && equals >= 5) line = trim(line.substr(equals + 1));
    }
    if (url.empty() && text::isValidUrl(line)) url.assign(line);
  }
  return url;
}

bool isStationLinkUrl(std::wstring_view url) {
  const std::wstring extension = text::urlExtension(url);
  return extension == L".pls" || extension == L".m3u" || extension == L".m3u8";
}

bool isHlsUrl(std::wstring_view url) { return text::urlExtension(url) == L".m3u8"; }

std::wstring judgeStationLink(std::wstring_view fetchError, uint32_t status, const uint8_t* body,
                              size_t length, std::wstring& error) {
  error.clear();
  if (!fetchError.empty()) {
    error = fetchError == http::kTooBigText ? std::wstring(kLinkTooBig) : std::wstring(fetchError);
    return {};
  }
  if (status != 200) {
    error = kLinkAnsweredHttp + text::toDecimal(uint64_t{status});
    return {};
  }
  bool hls = false;
  std::wstring url = parseStationLink(body, length, hls);
  if (hls) {
    error = kHlsRefused;
  } else if (url.empty()) {
    error = kLinkNoAddress;
  }
  return url;
}

}  // namespace radio
