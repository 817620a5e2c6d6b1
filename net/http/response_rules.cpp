#include "net/http/response_rules.h"

#include "base/text.h"
#include "net/http/error_text.h"

namespace http {
namespace {

bool isDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

// One or more decimal digits at pos; false without a digit or past 64 bits.
bool readNumber(std::wstring_view text, size_t& pos, uint64_t& out) {
  const size_t start = pos;
  uint64_t value = 0;
  while (pos < text.size() && isDigit(text[pos])) {
    const uint64_t digit = static_cast<uint64_t>(text[pos] - L'0');
    if (value > (~0ull - digit) / 10) return false;
    value = value * 10 + digit;
    ++pos;
  }
  out = value;
  return pos > start;
}

void skipSpaces(std::wstring_view text, size_t& pos) {
  while (pos < text.size() && text[pos] == L' ') ++pos;
}

}  // namespace

bool parseContentRange(std::wstring_view text, ContentRange& out) {
  size_t pos = 0;
  skipSpaces(text, pos);
  if (text.size() - pos < 12) return false;
  if (!text::equalsOrdinalIgnoreCase(text.substr(pos, 5), L"bytes") || text[pos + 5] != L' ')
    return false;
  pos += 6;
  skipSpaces(text, pos);
  ContentRange range;
  if (!readNumber(text, pos, range.first)) return false;
  if (pos >= text.size() || text[pos++] != L'-') return false;
  if (!readNumber(text, pos, range.last)) return false;
  if (pos >= text.size() || text[pos++] != L'/') return false;
  if (pos < text.size() && text[pos] == L'*') {
    ++pos;
    range.total = kUnknownLength;
  } else {
    if (!readNumber(text, pos, range.total)) return false;
    if (range.last >= range.total) return false;
  }
  skipSpaces(text, pos);
  if (pos != text.size()) return false;
  out = range;
  return true;
}

Judgement judgeResponse(uint32_t status, bool ranged, uint64_t offset,
                        std::wstring_view contentRange) {
  Judgement judgement;
  if (!ranged) {
    if (status == 200) judgement.outcome = RangeOutcome::Whole;
    return judgement;
  }
  if (status == 200) {
    judgement.outcome = RangeOutcome::Whole;
  } else if (status == 416) {
    judgement.outcome = RangeOutcome::PastEnd;
  } else if (status == 206) {
    ContentRange range;
    if (parseContentRange(contentRange, range) && range.first == offset &&
        range.last >= range.first) {
      judgement.outcome = RangeOutcome::Ranged;
      judgement.total = range.total;
    }
  }
  return judgement;
}

std::wstring invalidResponseText(uint32_t status) {
  return status == 206 ? std::wstring(kWrongPartText) : statusText(status);
}

bool parseContentLength(std::wstring_view text, uint64_t& out) {
  size_t pos = 0;
  return readNumber(text, pos, out);
}

std::wstring mediaType(std::wstring_view contentType) {
  std::wstring type(contentType.substr(0, contentType.find(L';')));
  for (wchar_t& c : type) {
    if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
  }
  while (!type.empty() && type.back() == L' ') type.pop_back();
  return type;
}

bool urlSelectsMediaFoundation(std::wstring_view contentType, std::wstring_view url) {
  static constexpr std::wstring_view kTypes[] = {
      L"audio/mp4", L"audio/x-m4a",    L"audio/m4a",     L"audio/x-m4b",
      L"video/mp4", L"audio/x-ms-wma", L"video/x-ms-asf"};
  const std::wstring type = mediaType(contentType);
  for (std::wstring_view t : kTypes) {
    if (type == t) return true;
  }
  const std::wstring extension = text::urlExtension(url);
  return extension == L".m4a" || extension == L".m4b" || extension == L".wma";
}

}  // namespace http
