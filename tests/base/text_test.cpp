#include "base/text.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace {

std::wstring units(std::initializer_list<uint16_t> list) {
  std::wstring s;
  for (uint16_t u : list) s.push_back(static_cast<wchar_t>(u));
  return s;
}

// Decodes from a heap block of exactly the input's size, so that a read past the end is
// caught by AddressSanitizer.
std::wstring decodeExact(std::string_view bytes) {
  std::vector<char> block(bytes.begin(), bytes.end());
  return text::utf8ToWide(std::string_view(block.data(), block.size()));
}

int sign(int v) { return v < 0 ? -1 : (v > 0 ? 1 : 0); }

}  // namespace

TEST(Utf8, DecodesEveryScalarValueAndRoundTrips) {
  for (uint32_t cp = 0; cp <= 0x10FFFF; ++cp) {
    if (cp >= 0xD800 && cp <= 0xDFFF) continue;
    std::wstring wide;
    if (cp >= 0x10000) {
      wide = units(
          {uint16_t(0xD800 + ((cp - 0x10000) >> 10)), uint16_t(0xDC00 + ((cp - 0x10000) & 0x3FF))});
    } else {
      wide = units({uint16_t(cp)});
    }
    const std::string bytes = text::wideToUtf8(wide);
    ASSERT_TRUE(text::isValidUtf8(bytes)) << cp;
    ASSERT_EQ(text::utf8ToWide(bytes), wide) << cp;
  }
  EXPECT_EQ(text::wideToUtf8(units({0xD834, 0xDD1E})), "\xF0\x9D\x84\x9E");
  EXPECT_EQ(text::wideToUtf8(units({0x20AC})), "\xE2\x82\xAC");
}

TEST(Utf8, ReplacesEachBadByte) {
  const std::wstring bad = units({0xFFFD});
  // Overlong forms.
  EXPECT_EQ(decodeExact("\xC0\xAF"), bad + bad);
  EXPECT_EQ(decodeExact("\xC1\xBF"), bad + bad);
  EXPECT_EQ(decodeExact("\xE0\x80\xAF"), bad + bad + bad);
  EXPECT_EQ(decodeExact("\xF0\x80\x80\xAF"), bad + bad + bad + bad);
  // Surrogates and values past U+10FFFF.
  EXPECT_EQ(decodeExact("\xED\xA0\x80"), bad + bad + bad);
  EXPECT_EQ(decodeExact("\xF4\x90\x80\x80"), bad + bad + bad + bad);
  EXPECT_EQ(decodeExact("\xF5\x80"), bad + bad);
  // Stray continuation bytes and bytes that never occur.
  EXPECT_EQ(decodeExact("a\x80z"), L"a" + bad + L"z");
  EXPECT_EQ(decodeExact("\xFE\xFF"), bad + bad);
  // A sequence cut short in the middle keeps what follows.
  EXPECT_EQ(decodeExact("\xE2\x82"
                        "A"),
            bad + bad + L"A");
  EXPECT_EQ(decodeExact("\xC3"
                        "A"),
            bad + L"A");
}

TEST(Utf8, TruncatedSequencesNeverReadPastTheEnd) {
  const std::string full = "x\xF0\x9D\x84\x9E\xE2\x82\xAC\xC3\xA9";
  for (size_t n = 0; n <= full.size(); ++n) {
    const std::wstring decoded = decodeExact(std::string_view(full).substr(0, n));
    EXPECT_LE(decoded.size(), n);
  }
  EXPECT_EQ(decodeExact("A\xF0\x9D\x84"), units({'A', 0xFFFD, 0xFFFD, 0xFFFD}));
  EXPECT_FALSE(text::isValidUtf8("A\xF0\x9D\x84"));
  EXPECT_FALSE(text::isValidUtf8("\xE2\x82"));
  EXPECT_EQ(decodeExact(""), L"");
}

TEST(Utf8, ValidityFollowsTheLeadByteRule) {
  EXPECT_TRUE(text::isValidUtf8("plain ascii"));
  EXPECT_TRUE(text::isValidUtf8("caf\xC3\xA9"));
  EXPECT_FALSE(text::isValidUtf8("caf\xE9"));  // a Latin-1 byte alone
  EXPECT_FALSE(text::isValidUtf8("\xC0\xAF"));
  EXPECT_FALSE(text::isValidUtf8("\xF5\x80\x80\x80"));
  EXPECT_FALSE(text::isValidUtf8("\xC3\xC3"));
  // The rule looks at lead and continuation bytes only.
  EXPECT_TRUE(text::isValidUtf8("\xED\xA0\x80"));
}

TEST(Utf8, UnpairedSurrogatesBecomeReplacementCharacters) {
  EXPECT_EQ(text::wideToUtf8(units({0xD800, 'x'})), "\xEF\xBF\xBDx");
  EXPECT_EQ(text::wideToUtf8(units({'x', 0xDC00})), "x\xEF\xBF\xBD");
  EXPECT_EQ(text::wideToUtf8(units({0xD834})), "\xEF\xBF\xBD");
  EXPECT_EQ(text::wideToUtf8(units({0xDD1E, 0xD834})), "\xEF\xBF\xBD\xEF\xBF\xBD");
}

TEST(Url, ValidityRule) {
  EXPECT_TRUE(text::isValidUrl(L"http://a"));
  EXPECT_TRUE(text::isValidUrl(L"HTTPS://Example.com/stream?x=1"));
  EXPECT_TRUE(text::isValidUrl(L"hTtP://example.com:8000/"));
  EXPECT_TRUE(text::isValidUrl(units({'h', 't', 't', 'p', ':', '/', '/', 0xFC, '.', 'd', 'e'})));
  EXPECT_FALSE(text::isValidUrl(L"http://"));
  EXPECT_FALSE(text::isValidUrl(L"https://"));
  EXPECT_FALSE(text::isValidUrl(L"http:///path"));
  EXPECT_FALSE(text::isValidUrl(L"https://:80/x"));
  EXPECT_FALSE(text::isValidUrl(L"http:/a"));
  EXPECT_FALSE(text::isValidUrl(L"ftp://a"));
  EXPECT_FALSE(text::isValidUrl(L"http://a b"));
  EXPECT_FALSE(text::isValidUrl(L"http://a\t"));
  EXPECT_FALSE(text::isValidUrl(L"http://a\x7F"));
  EXPECT_FALSE(text::isValidUrl(L""));

  std::wstring longest = L"http://example.com/";
  longest.resize(2048, L'a');
  EXPECT_TRUE(text::isValidUrl(longest));
  longest.push_back(L'a');
  EXPECT_FALSE(text::isValidUrl(longest));
}

TEST(Url, ExtensionRule) {
  EXPECT_EQ(text::urlExtension(L"http://h/a/b.MP3?x=1.y"), L".mp3");
  EXPECT_EQ(text::urlExtension(L"http://h/list.pls#part.z"), L".pls");
  EXPECT_EQ(text::urlExtension(L"http://h/live.M3U8"), L".m3u8");
  EXPECT_EQ(text::urlExtension(L"http://h/a.b/stream"), L"");
  EXPECT_EQ(text::urlExtension(L"http://h/stream?file=x.mp3"), L"");
  EXPECT_EQ(text::urlExtension(L"http://radio.example.com"), L".com");
  EXPECT_EQ(text::urlExtension(L"http://h/name."), L".");
  EXPECT_EQ(text::urlExtension(L""), L"");
}

TEST(Numbers, TimeTexts) {
  EXPECT_EQ(text::formatTime(0), L"0:00");
  EXPECT_EQ(text::formatTime(999), L"0:00");
  EXPECT_EQ(text::formatTime(61000), L"1:01");
  EXPECT_EQ(text::formatTime(3599999), L"59:59");
  EXPECT_EQ(text::formatTime(3600000), L"1:00:00");
  EXPECT_EQ(text::formatTime(36061000), L"10:01:01");
  EXPECT_EQ(text::formatTime(UINT64_MAX), L"5124095576030:25:51");
}

TEST(Numbers, DecimalTextsAndParsing) {
  EXPECT_EQ(text::toDecimal(int64_t(0)), L"0");
  EXPECT_EQ(text::toDecimal(int64_t(-42)), L"-42");
  EXPECT_EQ(text::toDecimal(INT64_MIN), L"-9223372036854775808");
  EXPECT_EQ(text::toDecimal(UINT64_MAX), L"18446744073709551615");

  int64_t v = 7;
  EXPECT_TRUE(text::parseInt64(L"123", v));
  EXPECT_EQ(v, 123);
  EXPECT_TRUE(text::parseInt64(L"-9223372036854775808", v));
  EXPECT_EQ(v, INT64_MIN);
  EXPECT_TRUE(text::parseInt64(L"+9223372036854775807", v));
  EXPECT_EQ(v, INT64_MAX);
  EXPECT_TRUE(text::parseInt64(L" 42", v));  // as the C library's conversion
  EXPECT_EQ(v, 42);
  v = 7;
  for (const wchar_t* bad : {L"", L"-", L"+", L" ", L"12a", L"1 ", L"0x10", L"9223372036854775808",
                             L"-9223372036854775809", L"99999999999999999999"}) {
    EXPECT_FALSE(text::parseInt64(bad, v)) << text::wideToUtf8(bad);
  }
  EXPECT_EQ(v, 7);  // untouched by a failure
}

TEST(Compare, UpperCaseMapping) {
  const std::pair<uint16_t, uint16_t> pairs[] = {
      {'a', 'A'},     {'z', 'Z'},     {0xE9, 0xC9},   {0xFF, 0x178},  {0x101, 0x100},
      {0x17A, 0x179}, {0x144, 0x143}, {0x3B1, 0x391}, {0x3C2, 0x3A3}, {0x3AC, 0x386},
      {0x436, 0x416}, {0x451, 0x401}, {0x491, 0x490}, {0x4CF, 0x4C0}};
  for (const auto& [lower, upper] : pairs) {
    EXPECT_EQ(uint16_t(text::toUpperOrdinal(wchar_t(lower))), upper) << lower;
    EXPECT_EQ(uint16_t(text::toUpperOrdinal(wchar_t(upper))), upper) << upper;
  }
  for (uint16_t same : {0x31, 0x5F, 0xF7, 0xDF, 0x131, 0x4E00, 0xD800}) {
    EXPECT_EQ(uint16_t(text::toUpperOrdinal(wchar_t(same))), same) << same;
  }
}

TEST(Compare, OrdinalIgnoringCase) {
  EXPECT_EQ(text::compareOrdinalIgnoreCase(L"C:\\Music\\Song.MP3", L"c:\\music\\song.mp3"), 0);
  EXPECT_EQ(text::compareOrdinalIgnoreCase(units({0xC9, 'c'}), units({0xE9, 'C'})), 0);
  EXPECT_EQ(
      text::compareOrdinalIgnoreCase(units({0x416, 0x443, 0x43A}), units({0x436, 0x423, 0x41A})),
      0);
  EXPECT_LT(text::compareOrdinalIgnoreCase(L"a", L"B"), 0);
  EXPECT_GT(text::compareOrdinalIgnoreCase(L"ab", L"A"), 0);
  EXPECT_LT(text::compareOrdinalIgnoreCase(L"", L"a"), 0);
  EXPECT_TRUE(text::equalsOrdinalIgnoreCase(L"ABC", L"abc"));
  EXPECT_FALSE(text::equalsOrdinalIgnoreCase(L"abc", L"abcd"));
}

TEST(Compare, NaturalOrder) {
  EXPECT_LT(text::compareNatural(L"2", L"10"), 0);
  EXPECT_GT(text::compareNatural(L"10", L"2"), 0);
  EXPECT_EQ(text::compareNatural(L"A", L"a"), 0);
  EXPECT_EQ(text::compareNatural(L"A.mp3", L"a.mp3"), 0);
  EXPECT_LT(text::compareNatural(L"x2y", L"x10y"), 0);
  EXPECT_LT(text::compareNatural(L"Track 2.mp3", L"Track 10.mp3"), 0);
  EXPECT_LT(text::compareNatural(L"08", L"10"), 0);
  EXPECT_GT(text::compareNatural(L"010", L"9"), 0);
  EXPECT_LT(text::compareNatural(L"2", L"010"), 0);
  EXPECT_LT(text::compareNatural(L"file", L"file1"), 0);
  EXPECT_LT(text::compareNatural(L"abc", L"ABD"), 0);
  EXPECT_EQ(text::compareNatural(L"", L""), 0);
  EXPECT_LT(text::compareNatural(L"", L"a"), 0);
}

// The track sort relies on this being a strict weak order.
TEST(Compare, NaturalOrderIsConsistent) {
  const wchar_t alphabet[] = {L'0', L'1', L'9', L'a', L'A', L'b', L'_', L' ', L'.'};
  std::mt19937 rng(7);
  auto randomText = [&] {
    std::wstring s;
    const size_t n = rng() % 7;
    for (size_t i = 0; i < n; ++i) s.push_back(alphabet[rng() % std::size(alphabet)]);
    return s;
  };
  for (int round = 0; round < 20000; ++round) {
    const std::wstring a = randomText(), b = randomText(), c = randomText();
    const int ab = sign(text::compareNatural(a, b));
    ASSERT_EQ(ab, -sign(text::compareNatural(b, a)));
    const int bc = sign(text::compareNatural(b, c));
    const int ac = sign(text::compareNatural(a, c));
    if (ab <= 0 && bc <= 0) {
      ASSERT_LE(ac, 0);
      if (ab < 0 || bc < 0) {
        ASSERT_LT(ac, 0);
      }
    }
  }
}

#ifndef _WIN32
// The stand-in compares digit runs of any length by value.
TEST(Compare, NaturalOrderOfLongNumbers) {
  EXPECT_LT(text::compareNatural(L"99999999999999999999", L"100000000000000000000"), 0);
  EXPECT_EQ(text::compareNatural(L"a007b", L"a7B"), 0);
  EXPECT_LT(text::compareNatural(L"_x", L"ax"), 0);
}
#endif
