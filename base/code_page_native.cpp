// Native stand-ins. MultiByteToWideChar: the two code pages the automatic choice uses and
// UTF-8, with the same results as Windows (bytes a code page leaves undefined map to the
// control character of the same value, as Windows' tables do). IsValidCodePage: the code
// pages a Windows system always has and that the tests use.
#include "base/code_page.h"

#include <string_view>

#include "base/text.h"

namespace {

const char16_t k1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98
};

const char16_t k1251High[64] = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,  // 80
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,  // 88
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90
    0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,  // 98
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,  // A0
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,  // A8
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,  // B0
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,  // B8
};

wchar_t map1252(uint8_t b) {
  return static_cast<wchar_t>(b >= 0x80 && b < 0xA0 ? k1252High[b - 0x80] : b);
}

wchar_t map1251(uint8_t b) {
  if (b < 0x80) return static_cast<wchar_t>(b);
  if (b < 0xC0) return static_cast<wchar_t>(k1251High[b - 0x80]);
  return static_cast<wchar_t>(0x0410 + (b - 0xC0));  // А..я in order
}

}  // namespace

bool convertCodePage(uint32_t codepage, const uint8_t* bytes, size_t length, std::wstring& out) {
  out.clear();
  if (length == 0) return true;
  if (!bytes) return false;
  switch (codepage) {
    case kCodePageUtf8:
      out = text::utf8ToWide(std::string_view(reinterpret_cast<const char*>(bytes), length));
      return true;
    case 1252:
      out.resize(length);
      for (size_t i = 0; i < length; ++i) out[i] = map1252(bytes[i]);
      return true;
    case 1251:
      out.resize(length);
      for (size_t i = 0; i < length; ++i) out[i] = map1251(bytes[i]);
      return true;
    default:
      return false;
  }
}

bool codePageExists(uint32_t codePage) {
  switch (codePage) {
    case 437:
    case 850:
    case 866:
    case 874:
    case 932:
    case 936:
    case 949:
    case 950:
    case 1250:
    case 1251:
    case 1252:
    case 1253:
    case 1254:
    case 1255:
    case 1256:
    case 1257:
    case 1258:
    case 65001:
      return true;
    default:
      return false;
  }
}
