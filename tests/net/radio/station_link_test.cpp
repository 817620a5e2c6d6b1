#include "net/radio/station_link.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using radio::parseStationLink;

namespace {

// Parses from a heap block of exactly the text's size, so that AddressSanitizer sees a read
// past its end.
std::wstring parse(const std::string& text, bool& hls) {
  std::vector<uint8_t> block(text.begin(), text.end());
  return parseStationLink(block.data(), block.size(), hls);
}

std::wstring parse(const std::string& text) {
  bool hls = true;
  std::wstring url = parse(text, hls);
  EXPECT_FALSE(hls) << text;
  return url;
}

}  // namespace

TEST(StationLink, TakesTheFirstAddressOfPlsAndM3u) {
  EXPECT_EQ(parse("[playlist]\r\nNumberOfEntries=2\r\nFile1=http://one.example:8000/live\r\n"
                  "Title1=One\r\nLength1=-1\r\nFile2=http://two.example/\r\nVersion=2\r\n"),
            L"http://one.example:8000/live");
  // Byte-order mark, spaces around the value, a key written in capitals.
  EXPECT_EQ(parse("\xEF\xBB\xBF[playlist]\nFILE1 =  https://s.example/a?b=1 \n"),
            L"https://s.example/a?b=1");
  // A bare "file=" is no PLS key, so its line is no address either.
  EXPECT_EQ(parse("file=http://bare.example/\nFile1=http://keyed.example/\n"),
            L"http://keyed.example/");
  EXPECT_EQ(parse("#EXTM3U\n#EXTINF:-1,Station\nhttp://stream.example/mp3\nhttp://late/\n"),
            L"http://stream.example/mp3");
  // Old Mac line ends, comments and section headers.
  EXPECT_EQ(parse("; comment\r[x]\r\tHTTP://Host.example/Path\t\r"), L"HTTP://Host.example/Path");
}

TEST(StationLink, SkipsLinesThatAreNoUsableAddress) {
  EXPECT_EQ(parse("http://with space.example/\nhttp:///no-host\nhttps://:80/\nftp://x/\n"
                  "http://\nhttp://x\x7F/\nhttp://good.example/\n"),
            L"http://good.example/");
  // Longer than 4096 bytes: dropped whole, even though it starts like an address.
  EXPECT_EQ(parse("http://long.example/" + std::string(5000, 'a') + "\nhttp://next.example/\n"),
            L"http://next.example/");
  // 2048 characters are the most an address may have.
  const std::string longest = "http://x.example/" + std::string(2048 - 17, 'b');
  EXPECT_EQ(parse(longest + "\n"), std::wstring(longest.begin(), longest.end()));
  EXPECT_EQ(parse(longest + "b\n"), L"");
  EXPECT_EQ(parse(""), L"");
  bool hls = true;
  EXPECT_EQ(parseStationLink(nullptr, 10, hls), L"");
  EXPECT_FALSE(hls);
  // Bytes that are not UTF-8 become replacement characters, which an address may hold.
  EXPECT_EQ(parse("http://x.example/\xE9t\xE9\n"), L"http://x.example/\xFFFDt\xFFFD");
}

TEST(StationLink, AnyExtXLineMakesTheFileHls) {
  bool hls = false;
  EXPECT_EQ(parse("#EXTM3U\n#EXT-X-VERSION:3\nhttp://seg.example/1.ts\n", hls), L"");
  EXPECT_TRUE(hls);
  EXPECT_EQ(parse("http://first.example/\n  #ext-x-targetduration:10\n", hls), L"");
  EXPECT_TRUE(hls);
  // Only the "#EXT-X-" prefix counts.
  EXPECT_EQ(parse("#EXT-XY\n#EXTINF:10,\nhttp://a.example/\n", hls), L"http://a.example/");
  EXPECT_FALSE(hls);
}

TEST(StationLink, JudgesTheDownload) {
  auto judge = [](const wchar_t* fetchError, uint32_t status, const std::string& body) {
    std::wstring error = L"old";
    const std::wstring url = radio::judgeStationLink(
        fetchError, status, reinterpret_cast<const uint8_t*>(body.data()), body.size(), error);
    return url.empty() ? error : L"url " + url;
  };
  const std::string pls = "[playlist]\nFile1=http://s.example/\n";
  EXPECT_EQ(judge(L"", 200, pls), L"url http://s.example/");
  EXPECT_EQ(judge(L"Too big", 200, pls), L"Not a station link (over 64 KB)");
  EXPECT_EQ(judge(L"Can't reach the server", 0, ""), L"Can't reach the server");
  EXPECT_EQ(judge(L"", 404, pls), L"The station link answered HTTP 404");
  EXPECT_EQ(judge(L"", 200, "#EXTM3U\n#EXT-X-STREAM-INF:BANDWIDTH=1\nhttp://a/\n"),
            L"HLS streams aren't supported");
  EXPECT_EQ(judge(L"", 200, "[playlist]\n"), L"The station link has no stream address");

  EXPECT_TRUE(radio::isStationLinkUrl(L"http://x.example/listen.PLS?sid=1"));
  EXPECT_TRUE(radio::isStationLinkUrl(L"http://x.example/a.m3u#top"));
  EXPECT_TRUE(radio::isHlsUrl(L"https://x.example/master.m3u8"));
  EXPECT_FALSE(radio::isHlsUrl(L"https://x.example/a.m3u"));
  EXPECT_FALSE(radio::isStationLinkUrl(L"http://x.pls/stream"));
  EXPECT_FALSE(radio::isStationLinkUrl(L"http://x.example/stream?fmt=.pls"));
}
