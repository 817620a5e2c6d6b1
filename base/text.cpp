#include "base/text.h"

namespace text {

namespace {

constexpr wchar_t kReplacement = 0xFFFD;
constexpr size_t kMaxUrlLength = 2048;

bool isContinuation(unsigned char b) { return (b & 0xC0) == 0x80; }

// Number of continuation bytes a lead byte of the loose validity rule asks for; 0 for a byte
// that cannot start a sequence.
size_t continuationCount(unsigned char lead) {
  if (lead >= 0xC2 && lead <= 0xDF) return 1;
  if (lead >= 0xE0 && lead <= 0xEF) return 2;
  if (lead >= 0xF0 && lead <= 0xF4) return 3;
  return 0;
}

wchar_t asciiLower(wchar_t c) { return (c >= L'A' && c <= L'Z') ? wchar_t(c + 32) : c; }

bool startsWithIgnoringAsciiCase(std::wstring_view s, std::wstring_view prefix) {
  if (s.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i) {
    if (asciiLower(s[i]) != prefix[i]) return false;
  }
  return true;
}

void appendUtf8(std::string& out, uint32_t cp) {
  if (cp < 0x80) {
    out.push_back(char(cp));
  } else if (cp < 0x800) {
    out.push_back(char(0xC0 | (cp >> 6)));
    out.push_back(char(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(char(0xE0 | (cp >> 12)));
    out.push_back(char(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(char(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(char(0xF0 | (cp >> 18)));
    out.push_back(char(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(char(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(char(0x80 | (cp & 0x3F)));
  }
}

template <typename Unsigned>
std::wstring unsignedDecimal(Unsigned value) {
  wchar_t digits[24];
  size_t n = 0;
  do {
    digits[n++] = wchar_t(L'0' + value % 10);
    value /= 10;
  } while (value != 0);
  std::wstring out;
  out.reserve(n + 1);
  while (n > 0) out.push_back(digits[--n]);
  return out;
}

void appendTwoDigits(std::wstring& out, uint64_t value) {
  out.push_back(wchar_t(L'0' + value / 10));
  out.push_back(wchar_t(L'0' + value % 10));
}

}  // namespace

bool isValidUtf8(std::string_view bytes) {
  const size_t n = bytes.size();
  size_t i = 0;
  while (i < n) {
    const unsigned char lead = static_cast<unsigned char>(bytes[i]);
    if (lead < 0x80) {
      ++i;
      continue;
    }
    const size_t more = continuationCount(lead);
    if (more == 0 || n - i - 1 < more) return false;
    for (size_t k = 1; k <= more; ++k) {
      if (!isContinuation(static_cast<unsigned char>(bytes[i + k]))) return false;
    }
    i += more + 1;
  }
  return true;
}

std::wstring utf8ToWide(std::string_view bytes) {
  std::wstring out;
  out.reserve(bytes.size());
  const size_t n = bytes.size();
  size_t i = 0;
  while (i < n) {
    const unsigned char lead = static_cast<unsigned char>(bytes[i]);
    if (lead < 0x80) {
      out.push_back(wchar_t(lead));
      ++i;
      continue;
    }
    const size_t more = continuationCount(lead);
    // The second byte's range rules out overlong forms, surrogates and values past U+10FFFF.
    unsigned char low = 0x80, high = 0xBF;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
    bool ok = more != 0 && n - i - 1 >= more;
    if (ok) {
      const unsigned char second = static_cast<unsigned char>(bytes[i + 1]);
      ok = second >= low && second <= high;
      for (size_t k = 2; ok && k <= more; ++k) {
        ok = isContinuation(static_cast<unsigned char>(bytes[i + k]));
      }
    }
    if (!ok) {
      // Only the lead is consumed; stray continuation bytes are replaced one by one.
      out.push_back(kReplacement);
      ++i;
      continue;
    }
    uint32_t cp = lead & (0x3F >> more);
    for (size_t k = 1; k <= more; ++k) {
      cp = (cp << 6) | (static_cast<unsigned char>(bytes[i + k]) & 0x3F);
    }
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out.push_back(wchar_t(0xD800 + (cp >> 10)));
      out.push_back(wchar_t(0xDC00 + (cp & 0x3FF)));
    } else {
      out.push_back(wchar_t(cp));
    }
    i += more + 1;
  }
  return out;
}

std::string wideToUtf8(std::wstring_view text) {
  std::string out;
  out.reserve(text.size());
  const size_t n = text.size();
  for (size_t i = 0; i < n; ++i) {
    const uint32_t c = static_cast<uint16_t>(text[i]);
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < n) {
      const uint32_t next = static_cast<uint16_t>(text[i + 1]);
      if (next >= 0xDC00 && next <= 0xDFFF) {
        appendUtf8(out, 0x10000 + ((c - 0xD800) << 10) + (next - 0xDC00));
        ++i;
        continue;
      }
    }
    appendUtf8(out, (c >= 0xD800 && c <= 0xDFFF) ? uint32_t(kReplacement) : c);
  }
  return out;
}

bool isValidUrl(std::wstring_view url) {
  if (url.size() > kMaxUrlLength) return false;
  size_t schemeLength = 0;
  if (startsWithIgnoringAsciiCase(url, L"http://")) {
    schemeLength = 7;
  } else if (startsWithIgnoringAsciiCase(url, L"https://")) {
    schemeLength = 8;
  } else {
    return false;
  }
  if (url.size() <= schemeLength) return false;
  const wchar_t first = url[schemeLength];
  if (first == L'/' || first == L':') return false;
  for (wchar_t c : url) {
    const uint16_t unit = static_cast<uint16_t>(c);
    if (unit < 33 || unit == 127) return false;
  }
  return true;
}

std::wstring urlExtension(std::wstring_view url) {
  const std::wstring_view head = url.substr(0, url.find_first_of(L"?#"));
  const size_t dot = head.rfind(L'.');
  if (dot == std::wstring_view::npos) return {};
  const size_t slash = head.rfind(L'/');
  if (slash != std::wstring_view::npos && slash > dot) return {};
  std::wstring extension(head.substr(dot));
  for (wchar_t& c : extension) c = asciiLower(c);
  return extension;
}

std::wstring formatTime(uint64_t ms) {
  const uint64_t seconds = ms / 1000;
  std::wstring out;
  if (seconds < 3600) {
    out = unsignedDecimal(seconds / 60);
  } else {
    out = unsignedDecimal(seconds / 3600);
    out.push_back(L':');
    appendTwoDigits(out, seconds / 60 % 60);
  }
  out.push_back(L':');
  appendTwoDigits(out, seconds % 60);
  return out;
}

std::wstring toDecimal(int64_t value) {
  if (value >= 0) return unsignedDecimal(static_cast<uint64_t>(value));
  // Negate in unsigned arithmetic so that INT64_MIN works too.
  std::wstring out = L"-";
  out += unsignedDecimal(0 - static_cast<uint64_t>(value));
  return out;
}

std::wstring toDecimal(uint64_t value) { return unsignedDecimal(value); }

bool parseInt64(std::wstring_view text, int64_t& out) {
  size_t i = 0;
  // Leading white space is skipped as the C library's conversion does.
  while (i < text.size() && (text[i] == L' ' || (text[i] >= L'\t' && text[i] <= L'\r'))) {
    ++i;
  }
  bool negative = false;
  if (i < text.size() && (text[i] == L'+' || text[i] == L'-')) {
    negative = text[i] == L'-';
    ++i;
  }
  if (i == text.size()) return false;
  const uint64_t limit = negative ? uint64_t(INT64_MAX) + 1 : uint64_t(INT64_MAX);
  uint64_t value = 0;
  for (; i < text.size(); ++i) {
    const wchar_t c = text[i];
    if (c < L'0' || c > L'9') return false;
    const uint64_t digit = uint64_t(c - L'0');
    if (value > (limit - digit) / 10) return false;
    value = value * 10 + digit;
  }
  out = negative ? static_cast<int64_t>(0 - value) : static_cast<int64_t>(value);
  return true;
}

wchar_t toUpperOrdinal(wchar_t ch) {
  const uint16_t c = static_cast<uint16_t>(ch);
  auto up = [](uint32_t u) { return static_cast<wchar_t>(u); };
  if (c < 0x80) return (c >= 'a' && c <= 'z') ? up(c - 32) : ch;
  if (c < 0x100) {
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return up(c - 32);
    if (c == 0xFF) return up(0x178);
    return ch;
  }
  if (c < 0x180) {
    // Latin Extended-A: case pairs, upper case first, except the run 0x139-0x148 and
    // 0x179-0x17E where the pairs start one later.
    if (c == 0x131)
      return ch;  // dotless i pairs with ASCII I, which ordinal upper case keeps apart
    if ((c >= 0x100 && c <= 0x137) || (c >= 0x14A && c <= 0x177)) {
      return (c & 1) ? up(c - 1) : ch;
    }
    if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) {
      return (c & 1) ? ch : up(c - 1);
    }
    return ch;  // 0x138, 0x149 and 0x17F have no upper case inside this block
  }
  if (c >= 0x370 && c < 0x400) {
    if (c >= 0x3B1 && c <= 0x3CB && c != 0x3C2) return up(c - 32);
    if (c == 0x3C2) return up(0x3A3);  // final sigma
    if (c == 0x3AC) return up(0x386);
    if (c >= 0x3AD && c <= 0x3AF) return up(c - 37);
    if (c == 0x3CC) return up(0x38C);
    if (c == 0x3CD || c == 0x3CE) return up(c - 63);
    return ch;
  }
  if (c >= 0x400 && c < 0x530) {
    if (c >= 0x430 && c <= 0x44F) return up(c - 32);
    if (c >= 0x450 && c <= 0x45F) return up(c - 80);
    if ((c >= 0x460 && c <= 0x481) || (c >= 0x48A && c <= 0x4BF) || (c >= 0x4D0 && c <= 0x52F)) {
      return (c & 1) ? up(c - 1) : ch;
    }
    if (c >= 0x4C1 && c <= 0x4CE) return (c & 1) ? ch : up(c - 1);
    if (c == 0x4CF) return up(0x4C0);
    return ch;
  }
  return ch;
}

}  // namespace text
