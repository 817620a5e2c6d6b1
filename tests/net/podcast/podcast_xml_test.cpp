// Feeds read through XmlLite: every test feed of tests/data/podcast parses to what the
// .expected file beside it lists, and the generated large feeds keep their limits.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <sstream>
#include <string>

#include "base/text.h"
#include "net/podcast/feed_parser.h"
#include "net/podcast/feed_texts.h"
#include "net/podcast/pub_date.h"
#include "net/podcast/xml_input_win.h"
#include "tests/support/win_test_support.h"

namespace podcast {
namespace {

const std::filesystem::path kData = std::filesystem::path(TWK_SOURCE_DIR) / "tests/data/podcast";
const std::filesystem::path kGenerated = TWK_PODCAST_FEEDS;

FeedResult parseFile(const std::filesystem::path& path) {
  const std::string bytes = testsupport::readFile(path.wstring());
  FeedResult result;
  parseFeedBody(bytes, result);
  return result;
}

std::string utf8(std::wstring_view s) { return s.empty() ? "(none)" : text::wideToUtf8(s); }

std::string dateText(int64_t published) {
  if (published == 0) return "undated";
  const CivilDate d = utcDate(published);
  const int64_t s = ((published % 86400) + 86400) % 86400;
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%04lld-%02u-%02u %02lld:%02lld:%02lld", (long long)d.year,
                d.month, d.day, (long long)(s / 3600), (long long)(s / 60 % 60),
                (long long)(s % 60));
  return buffer;
}

// The result in the .expected files' form.
std::string render(const FeedResult& r) {
  if (!r.error.empty()) return "error: " + text::wideToUtf8(r.error) + "\n";
  std::string out = "title: " + utf8(r.title) + "\n";
  for (const Episode& e : r.episodes) {
    out += dateText(e.published) + " | " + std::to_string(e.duration) + " | " +
           (e.playable ? "playable" : "unplayable") + " | " + utf8(e.type) + " | " + utf8(e.url) +
           " | " + utf8(e.title) + "\n";
  }
  return out;
}

std::string withoutComments(const std::string& text) {
  std::istringstream in(text);
  std::string line, out;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == '#') continue;
    out += line + "\n";
  }
  return out;
}

TEST(PodcastFeedXml, EveryTestFeedParsesToItsExpectedEpisodes) {
  int feeds = 0;
  for (const auto& entry : std::filesystem::directory_iterator(kData)) {
    if (entry.path().extension() != ".expected") continue;
    std::filesystem::path feed = entry.path();
    feed.replace_extension(".xml");
    SCOPED_TRACE(feed.filename().string());
    const std::string expected = withoutComments(testsupport::readFile(entry.path().wstring()));
    ASSERT_FALSE(expected.empty());
    EXPECT_EQ(render(parseFile(feed)), expected);
    ++feeds;
  }
  EXPECT_GE(feeds, 11);
}

TEST(PodcastFeedXml, GeneratedLargeFeeds) {
  const FeedResult big = parseFile(kGenerated / "episodes5000.xml");
  EXPECT_EQ(big.error, L"");
  EXPECT_EQ(big.title, L"The Daily Example & Friends");
  ASSERT_EQ(big.episodes.size(), kMaxEpisodes);
  // Every 50th episode is undated: those come last, in feed order; the others newest first.
  const size_t dated = kMaxEpisodes - kMaxEpisodes / 50;
  for (size_t i = 0; i < big.episodes.size(); ++i) {
    const Episode& e = big.episodes[i];
    ASSERT_TRUE(e.playable && e.duration > 0) << i;
    if (i < dated) {
      ASSERT_NE(e.published, 0) << i;
      ASSERT_TRUE(i == 0 || e.published < big.episodes[i - 1].published) << i;
    } else {
      char title[64];
      std::snprintf(title, sizeof title, "Episode %04zu: Markets & \"Mayhem\"",
                    (i - dated + 1) * 50);
      ASSERT_EQ(e.published, 0) << i;
      ASSERT_EQ(text::wideToUtf8(e.title), title);
    }
  }
  EXPECT_EQ(big.episodes[0].url.find(L"?source=rss&t=1"), big.episodes[0].url.size() - 15);

  // Over 8 MiB is refused before any parsing.
  EXPECT_EQ(parseFile(kGenerated / "over8mb.xml").error, kNotAFeed);
  FeedResult nothing;
  parseFeedBody({}, nothing);
  EXPECT_EQ(nothing.error, kNotAFeed);

  // Wine's reads never end just after ']', '-' or '?' (see xml_input_win.h).
  EXPECT_EQ(safeReadLength("<a>x</a>", 100), 8u);
  EXPECT_EQ(safeReadLength(std::string(40, 'x') + "]]>" + std::string(40, 'x'), 48), 40u);
  EXPECT_EQ(safeReadLength(std::string(300, '-') + "x", 296), 296u);

  const FeedResult huge = parseFile(kGenerated / "huge_description.xml");
  EXPECT_EQ(huge.error, L"");
  EXPECT_EQ(huge.title, L"Huge Description Show");
  ASSERT_EQ(huge.episodes.size(), 3u);
  EXPECT_EQ(huge.episodes[0].title, L"Episode 0003: Markets & \"Mayhem\"");
}

}  // namespace
}  // namespace podcast
