#include "base/handoff.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

using handoff::buildPayload;
using handoff::kIdentifier;
using handoff::readPayload;

bool read(const std::wstring& payload, std::vector<std::wstring>& paths) {
  return readPayload(kIdentifier, payload.data(), payload.size() * sizeof(wchar_t), paths);
}

TEST(Handoff, PayloadRoundTripsPathsInOrder) {
  const std::vector<std::wstring> paths = {L"C:\\Music\\a.mp3", L"D:\\Books",
                                           L"C:\\\x0444\x0430\x0439\x043B.flac"};
  const std::wstring payload = buildPayload(paths);
  EXPECT_EQ(payload, std::wstring(L"C:\\Music\\a.mp3\0D:\\Books\0", 24) + paths[2] + L'\0');
  std::vector<std::wstring> back;
  ASSERT_TRUE(read(payload, back));
  EXPECT_EQ(back, paths);

  EXPECT_TRUE(buildPayload({}).empty());
  ASSERT_TRUE(readPayload(kIdentifier, nullptr, 0, back));  // restores the window only
  EXPECT_TRUE(back.empty());
}

TEST(Handoff, SizeLimitOnBothSides) {
  // 524,287 units plus the NUL: exactly 1,048,576 bytes, which is sent and accepted.
  const std::vector<std::wstring> fits = {std::wstring(524287, L'a')};
  const std::wstring payload = buildPayload(fits);
  ASSERT_EQ(payload.size() * sizeof(wchar_t), 1048576u);
  std::vector<std::wstring> back;
  ASSERT_TRUE(read(payload, back));
  EXPECT_EQ(back, fits);

  // One unit more is 1,048,578 bytes: sent empty, and refused when it arrives anyway.
  const std::vector<std::wstring> tooLong = {std::wstring(524288, L'a')};
  EXPECT_TRUE(buildPayload(tooLong).empty());
  const std::wstring big = tooLong[0] + L'\0';
  ASSERT_EQ(big.size() * sizeof(wchar_t), 1048578u);
  back = {L"stale"};
  EXPECT_FALSE(read(big, back));
  EXPECT_TRUE(back.empty());

  // Many short paths add up the same way.
  EXPECT_EQ(buildPayload(std::vector<std::wstring>(262144, L"a")).size(), 524288u);
  EXPECT_TRUE(buildPayload(std::vector<std::wstring>(262145, L"a")).empty());
}

TEST(Handoff, MalformedMessagesRefused) {
  const std::wstring payload(L"C:\\a.mp3\0", 9);
  std::vector<std::wstring> back;
  EXPECT_FALSE(readPayload(kIdentifier + 1, payload.data(), 18, back));
  EXPECT_FALSE(readPayload(0x314B5754, payload.data(), 18, back));   // the letters reversed
  EXPECT_FALSE(readPayload(kIdentifier, payload.data(), 17, back));  // odd
  EXPECT_FALSE(readPayload(kIdentifier, payload.data(), 1, back));
  EXPECT_FALSE(readPayload(kIdentifier, nullptr, 18, back));  // no data
  EXPECT_TRUE(back.empty());
  EXPECT_TRUE(readPayload(kIdentifier, payload.data(), 18, back));
  EXPECT_EQ(back, std::vector<std::wstring>{L"C:\\a.mp3"});
}

TEST(Handoff, EmptyPiecesSkippedAndUnterminatedTailDropped) {
  std::vector<std::wstring> back;
  ASSERT_TRUE(read(std::wstring(L"\0\0a\0\0b\0c", 8), back));
  EXPECT_EQ(back, (std::vector<std::wstring>{L"a", L"b"}));
  ASSERT_TRUE(read(std::wstring(L"tail", 4), back));
  EXPECT_TRUE(back.empty());

  // Data at an odd address is read as it is.
  std::vector<char> shifted(1 + 6);
  std::memcpy(shifted.data() + 1, L"ab\0", 6);
  ASSERT_TRUE(readPayload(kIdentifier, shifted.data() + 1, 6, back));
  EXPECT_EQ(back, std::vector<std::wstring>{L"ab"});
}

}  // namespace
