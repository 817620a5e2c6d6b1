// The feed reader's portable rules: dates, durations, the playable rule, the builder that
// applies the channel and item rules to parser events, and the texts the list shows. The
// test feeds read through XmlLite (podcast_xml_test) cover the item rules case by case.
#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "net/podcast/download_error.h"
#include "net/podcast/duration.h"
#include "net/podcast/episode_text.h"
#include "net/podcast/feed_builder.h"
#include "net/podcast/feed_texts.h"
#include "net/podcast/playable.h"
#include "net/podcast/pub_date.h"

namespace podcast {
namespace {

TEST(PubDate, ReadsTheFormsFeedsWriteAndRefusesTheRest) {
  const std::pair<const wchar_t*, int64_t> cases[] = {
      {L"Tue, 05 Mar 24 14:30:00 +0200", 1709641800},
      {L"5 Mar 2024", 1709596800},
      {L"Tue, 05 Mar 2024 14:30:00 XYZ", 1709649000},
      {L"  TUE,05 MARCH 2024 09:30 EST ", 1709649000},
      {L"Tuesday, 5 Mar 2024 6:30:00 PST", 1709649000},
      {L"5 mar 2024 16:00:00 -0130", 1709659800},
      {L"Thu, 29 Feb 2024 23:59:00 +0000", 1709251140},
      {L"1 Jan 49", 2493072000},
      {L"1 Jan 50", 0},
      {L"Thu, 01 Jan 1970 00:00:00 GMT", 0},
      {L"2 Jan 1970", 86400},
      {L"31 Dec 9999 23:59:59", 253402300799},
      {L"5 Mar 2024 23:59:60", 1709683200},
      {L"5 Mar 2024 24:00", 0},
      {L"5 Mar 2024 10:60", 0},
      {L"5 Mar 2024 10", 0},
      {L"5 Mar 2024 10:00:", 0},
      {L"5 Mar 2024 +02", 0},
      {L"5 Mar 2024 +02000", 0},
      {L"5 Mar 99999", 0},
      {L"32 Mar 2024", 0},
      {L"5 Foo 2024", 0},
      {L"5 Ma", 0},
      {L"2024-03-05T14:30:00Z", 0}};
  for (const auto& [text, expected] : cases) EXPECT_EQ(parsePubDate(text), expected) << text;

  const CivilDate day = utcDate(1709596800 - 1);
  EXPECT_EQ(day.year * 10000 + day.month * 100 + day.day, 20240304);
  EXPECT_EQ(utcDate(-1).year, 1969);
}

TEST(Duration, ReadsSecondsMinutesAndHours) {
  const std::pair<const wchar_t*, uint32_t> cases[] = {{L"3723", 3723},
                                                       {L"62:03", 3723},
                                                       {L"1:02:03", 3723},
                                                       {L"1:02:03.5", 3723},
                                                       {L" 0:90 \n", 90},
                                                       {L"1.", 1},
                                                       {L"1:2:3:4", 0},
                                                       {L"1:", 0},
                                                       {L":30", 0},
                                                       {L"1.5:00", 0},
                                                       {L"1.5.5", 0},
                                                       {L"30 min", 0},
                                                       {L"-5", 0},
                                                       {L"4294967295", 4294967295u},
                                                       {L"4294967296", 0},
                                                       {L"1193046:28:15", 4294967295u},
                                                       {L"1193046:28:16", 0},
                                                       {L"99999999999999999999999999", 0}};
  for (const auto& [text, expected] : cases) EXPECT_EQ(parseDuration(text), expected) << text;
}

TEST(Playable, TypeDecidesAndOctetStreamLeavesItToTheExtension) {
  EXPECT_TRUE(isPlayable(L" Audio/X-M4A ; codecs=mp4a", L"https://e.com/x.ogg"));
  EXPECT_TRUE(isPlayable(L"application/octet-stream", L"https://e.com/x.mp3?x=1"));
  EXPECT_FALSE(isPlayable(L"application/octet-stream", L"https://e.com/x?f=.mp3"));
  EXPECT_FALSE(isPlayable(L"", L"https://e.com/mp3.d/x"));
  EXPECT_FALSE(isPlayable(L"audio/ogg", L"https://e.com/x.mp3"));
}

// Drives a builder the way an XML parser does.
struct Doc {
  FeedBuilder b;
  void open(std::wstring_view name, std::wstring_view ns = L"") { b.startElement(name, ns, false); }
  void close() { b.endElement(); }
  void leaf(std::wstring_view name, std::wstring_view text) {
    open(name);
    b.text(text);
    close();
  }
  void item(std::wstring_view title, std::wstring_view pubDate = L"", std::wstring_view ns = L"") {
    open(L"item", ns);
    leaf(L"title", title);
    if (!pubDate.empty()) leaf(L"pubDate", pubDate);
    if (b.startElement(L"enclosure", ns, true)) b.enclosure(L"http://e.com/a.mp3", L"audio/mpeg");
    close();
  }
};

TEST(FeedBuilder, ReadsTheFirstChannelAndItsItemsByTheRules) {
  Doc d;
  d.open(L"rss");
  d.open(L"channel");
  d.leaf(L"title", L" \n ");  // blank: the next title is taken
  d.open(L"title");
  d.b.text(L"  My ");
  d.b.text(L"Show\n");
  d.close();
  d.leaf(L"title", L"Second title");

  d.open(L"item");
  d.open(L"title");
  d.b.text(L"A");
  d.leaf(L"b", L"B");  // not directly inside the title
  d.b.text(L"C");
  d.close();
  d.open(L"duration", kItunesNamespace);
  d.b.text(L"1:02:03.5");
  d.close();
  d.leaf(L"pubDate", L"Tue, 05 Mar 24 14:30:00 +0200");
  if (d.b.startElement(L"enclosure", L"", true)) d.b.enclosure(L" http://e.com/a.mp3\t", L"");
  d.close();
  d.item(L"U1");
  d.item(std::wstring(600, L'x'), L"Tue, 05 Mar 2024 14:30:00 XYZ");
  d.item(L"U2", L"not a date");
  EXPECT_FALSE(d.b.done());
  d.close();  // channel
  EXPECT_TRUE(d.b.done());
  d.item(L"after the channel");

  FeedResult r;
  d.b.finish(false, r);
  EXPECT_EQ(r.error, L"");
  EXPECT_EQ(r.title, L"My Show");
  ASSERT_EQ(r.episodes.size(), 4u);
  EXPECT_EQ(r.episodes[0].title, std::wstring(512, L'x'));
  EXPECT_EQ(r.episodes[0].published, 1709649000);
  const Episode& a = r.episodes[1];
  EXPECT_EQ(a.title, L"AC");
  EXPECT_EQ(a.url, L"http://e.com/a.mp3");
  EXPECT_EQ(a.published, 1709641800);
  EXPECT_EQ(a.duration, 3723u);
  EXPECT_TRUE(a.playable);
  EXPECT_EQ(r.episodes[2].title, L"U1");  // undated, in feed order
  EXPECT_EQ(r.episodes[3].title, L"U2");

  // A default namespace on the rss element is the RSS elements' namespace; under another
  // root a namespaced channel is not RSS, but a plain one counts at any depth.
  const std::wstring_view rss2 = L"http://backend.userland.com/rss2";
  d.open(L"rss", rss2);
  d.open(L"channel", rss2);
  d.item(L"Namespaced", L"", rss2);
  d.b.finish(false, r);
  EXPECT_EQ(r.episodes.size(), 1u);
  d.open(L"feed", L"http://www.w3.org/2005/Atom");
  d.open(L"channel", L"http://www.w3.org/2005/Atom");
  d.close();
  d.open(L"x");
  d.open(L"channel");
  d.item(L"Deep");
  d.b.finish(false, r);
  ASSERT_EQ(r.episodes.size(), 1u);
  EXPECT_EQ(r.episodes[0].title, L"Deep");
}

TEST(FeedBuilder, StopsAtFiveThousandEpisodes) {
  Doc d;
  d.open(L"rss");
  d.open(L"channel");
  for (int i = 0; i < 5001 && !d.b.done(); ++i) d.item(L"t");
  EXPECT_TRUE(d.b.done());
  d.item(L"t");
  FeedResult r;
  d.b.finish(false, r);
  EXPECT_EQ(r.episodes.size(), kMaxEpisodes);
}

TEST(FeedBuilder, FailuresCarryTheirTextsAndNothingElse) {
  Doc d;
  d.open(L"rss");
  d.open(L"channel");
  d.leaf(L"title", L"Show");
  d.item(L"good");
  FeedResult r;
  d.b.finish(true, r);  // malformed XML after good items
  EXPECT_EQ(r.error, kXmlError);
  EXPECT_TRUE(r.title.empty() && r.episodes.empty());
  d.open(L"html");
  d.leaf(L"title", L"Page");
  d.b.finish(false, r);
  EXPECT_EQ(r.error, kNoChannel);

  EXPECT_EQ(downloadError(L"Too big", 200), L"The feed is over 8 MB");
  EXPECT_EQ(downloadError(L"Cancelled", 0), L"Cancelled");
  EXPECT_EQ(downloadError(L"", 404), L"The feed answered HTTP 404");
  EXPECT_EQ(downloadError(L"", 200), L"");
}

TEST(EpisodeText, DisplayTextHeardMarkAndSubscriptionTitle) {
  Episode e{L"Show", L"https://x.example/path/ep%2041.mp3?t=1", L"", 1709641800, 3723, true};
  EXPECT_EQ(episodeDisplayText(e), L"Show (5 Mar 2024, 62 min)");
  e.title.clear();
  e.duration = 59;
  EXPECT_EQ(episodeDisplayText(e), L"ep%2041.mp3 (5 Mar 2024)");
  e.published = -3600;
  e.duration = 89;
  EXPECT_EQ(episodeDisplayText(e), L"ep%2041.mp3 (1 min)");
  e.published = 86400;
  e.duration = 4294967295u;
  e.url = L"https://x.example/";
  EXPECT_EQ(episodeDisplayText(e), L"https://x.example/ (2 Jan 1970, 71582788 min)");

  EXPECT_EQ(episodeRowText(L"A (1 min)", true), L"\u2713 A (1 min)");
  EXPECT_EQ(episodeRowText(L"A (1 min)", false), L"A (1 min)");

  EXPECT_EQ(subscriptionTitle(L"A|B\tC\x1f", L"https://e.com/f"), L"A B C ");
  EXPECT_EQ(subscriptionTitle(L"", L"https://e.com/f"), L"https://e.com/f");
  EXPECT_EQ(subscriptionTitle(std::wstring(255, L'y') + L"\U0001F3A7", L"u"),
            std::wstring(255, L'y'));  // no half of a surrogate pair at the cut
}

}  // namespace
}  // namespace podcast
