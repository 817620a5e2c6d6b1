#include "base/settings.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "base/text.h"

namespace {

// Section text as GetPrivateProfileSectionW hands it over: NUL-separated entries.
std::wstring section(const std::vector<std::wstring>& entries) {
  std::wstring s;
  for (const std::wstring& e : entries) {
    s += e;
    s += L'\0';
  }
  return s;
}

Settings readPlayer(const std::vector<std::wstring>& entries) {
  Settings s;
  readSettingsSection(s, SettingsSection::Player, section(entries));
  return s;
}

Settings readList(SettingsSection which, const std::vector<std::wstring>& entries) {
  Settings s;
  readSettingsSection(s, which, section(entries));
  return s;
}

std::vector<std::wstring> entriesOf(const std::wstring& built) {
  std::vector<std::wstring> out;
  size_t start = 0;
  while (start < built.size()) {
    size_t end = built.find(L'\0', start);
    if (end == std::wstring::npos) end = built.size();
    if (end > start) out.push_back(built.substr(start, end - start));
    start = end + 1;
  }
  return out;
}

std::wstring n(uint64_t v) { return text::toDecimal(v); }

// Every section built and read back in the order a load reads them.
Settings roundTrip(const Settings& s) {
  Settings back;
  for (SettingsSection which : kSettingsLoadOrder) {
    std::wstring built = buildSettingsSection(s, which);
    readSettingsSection(back, which, built);
  }
  return back;
}

const std::wstring kUrl = L"http://radio.example/stream";

}  // namespace

TEST(SettingsValues, DefaultsStandWhenTheFileSaysNothing) {
  Settings s = readPlayer({});
  EXPECT_EQ(s, Settings{});
  EXPECT_TRUE(s.includeSubfolders);
  EXPECT_TRUE(s.topmost);
  EXPECT_TRUE(s.bookIncludeSubfolders);
  EXPECT_EQ(s.volume, 100);
  EXPECT_EQ(s.opacity, 100);
  EXPECT_FALSE(s.fullRect.known());
  EXPECT_FALSE(s.miniRect.known());
}

TEST(SettingsValues, IntegersOutsideTheirRulesLeaveTheDefault) {
  EXPECT_EQ(readPlayer({L"opacity=75"}).opacity, 100);
  EXPECT_EQ(readPlayer({L"opacity=40"}).opacity, 100);
  EXPECT_EQ(readPlayer({L"opacity=110"}).opacity, 100);
  EXPECT_EQ(readPlayer({L"opacity=60"}).opacity, 60);
  EXPECT_EQ(readPlayer({L"opacity=50"}).opacity, 50);
  EXPECT_EQ(readPlayer({L"volume=101"}).volume, 100);
  EXPECT_EQ(readPlayer({L"volume=-1"}).volume, 100);
  EXPECT_EQ(readPlayer({L"volume=0"}).volume, 0);
  EXPECT_EQ(readPlayer({L"repeat=3"}).repeat, 0);
  EXPECT_EQ(readPlayer({L"repeat=2"}).repeat, 2);
  // Not a whole number, nothing at all, out of 64-bit range.
  for (const wchar_t* bad :
       {L"50x", L"", L"-", L"5 0", L"0x10", L"99999999999999999999", L"-99999999999999999999"})
    EXPECT_EQ(readPlayer({std::wstring(L"volume=") + bad}).volume, 100) << bad;
  EXPECT_EQ(readPlayer({L"lastPositionMs=604800000"}).lastPositionMs, 604800000u);
  EXPECT_EQ(readPlayer({L"lastPositionMs=604800001"}).lastPositionMs, 0u);
  EXPECT_EQ(readPlayer({L"bookPositionMs=-5"}).bookPositionMs, 0u);
  EXPECT_EQ(readPlayer({L"bookPositionMs=1234"}).bookPositionMs, 1234u);
}

TEST(SettingsValues, FlagsChangeOnlyForZeroOrOne) {
  EXPECT_FALSE(readPlayer({L"topmost=0"}).topmost);
  EXPECT_TRUE(readPlayer({L"shuffle=1"}).shuffle);
  EXPECT_TRUE(readPlayer({L"topmost=2"}).topmost);
  EXPECT_TRUE(readPlayer({L"includeSubfolders=no"}).includeSubfolders);
  EXPECT_FALSE(readPlayer({L"miniMode=true"}).miniMode);
  Settings s = readPlayer({L"includeSubfolders=0", L"shuffle=1", L"topmost=0", L"miniMode=1",
                           L"listHidden=1", L"audiobook=1", L"bookIncludeSubfolders=0"});
  EXPECT_FALSE(s.includeSubfolders);
  EXPECT_TRUE(s.shuffle);
  EXPECT_FALSE(s.topmost);
  EXPECT_TRUE(s.miniMode);
  EXPECT_TRUE(s.listHidden);
  EXPECT_TRUE(s.audiobook);
  EXPECT_FALSE(s.bookIncludeSubfolders);
}

TEST(SettingsValues, CodePageMustBeKnownOrAutomatic) {
  EXPECT_EQ(readPlayer({L"tagCodepage=1251"}).tagCodepage, 1251u);
  EXPECT_EQ(readPlayer({L"tagCodepage=65001"}).tagCodepage, 65001u);
  EXPECT_EQ(readPlayer({L"tagCodepage=1251", L"tagCodepage=0"}).tagCodepage, 0u);
  EXPECT_EQ(readPlayer({L"tagCodepage=1"}).tagCodepage, 0u);
  EXPECT_EQ(readPlayer({L"tagCodepage=70000"}).tagCodepage, 0u);
  EXPECT_EQ(readPlayer({L"tagCodepage=-1251"}).tagCodepage, 0u);
}

TEST(SettingsValues, RectanglesNeedFourOrderedFieldsThatFit32Bits) {
  SettingsRect r;
  EXPECT_TRUE(parseSettingsRect(L"10,20,110,220", r));
  EXPECT_EQ(r, (SettingsRect{10, 20, 110, 220}));
  EXPECT_TRUE(parseSettingsRect(L"-2147483648,-2147483648,2147483647,2147483647", r));
  EXPECT_EQ(r, (SettingsRect{INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX}));

  const SettingsRect before = r;
  for (const wchar_t* bad :
       {L"10,10,5,20", L"10,10,20,5", L"10,10,10,20", L"1,2,3,4,5", L"1,2,3", L"", L",,,",
        L"1,2,3,4,", L",1,2,3,4", L"1,,3,4", L"0,0,2147483648,10", L"-2147483649,0,10,10",
        L"1,2,3,x4", L"1;2;3;4", L"99999999999999999999,0,1,1"}) {
    EXPECT_FALSE(parseSettingsRect(bad, r)) << bad;
    EXPECT_EQ(r, before) << bad;
  }
  EXPECT_FALSE(readPlayer({L"fullRect=10,10,5,20"}).fullRect.known());
  EXPECT_FALSE(readPlayer({L"miniRect=1,2,3,4,5"}).miniRect.known());
  EXPECT_EQ(readPlayer({L"miniRect=5,6,300,40"}).miniRect, (SettingsRect{5, 6, 300, 40}));

  EXPECT_EQ(formatSettingsRect({-10, 20, 1930, 1080}), L"-10,20,1930,1080");
  EXPECT_EQ(formatSettingsRect({}), L"");
  EXPECT_EQ(formatSettingsRect({10, 10, 5, 20}), L"");
  EXPECT_EQ(formatSettingsRect({0, 10, 5, 10}), L"");
}

TEST(SettingsValues, UrlKeysTakeOnlyValidUrls) {
  EXPECT_EQ(readPlayer({L"lastStation=" + kUrl}).lastStation, kUrl);
  EXPECT_EQ(readPlayer({L"podcast=HTTPS://Feeds.Example/x"}).podcast, L"HTTPS://Feeds.Example/x");
  for (const wchar_t* bad :
       {L"http:///radio", L"http://:80/x", L"http://radio.example/a b", L"http://",
        L"ftp://radio.example/", L"radio.example", L"http://a\x7f", L"http://a\tb"}) {
    EXPECT_EQ(readPlayer({std::wstring(L"lastStation=") + bad}).lastStation, L"") << bad;
    EXPECT_EQ(readPlayer({std::wstring(L"podcast=") + bad}).podcast, L"") << bad;
  }
  std::wstring longUrl = L"http://a/" + std::wstring(2048 - 9, L'x');
  EXPECT_EQ(readPlayer({L"podcast=" + longUrl}).podcast, longUrl);
  EXPECT_EQ(readPlayer({L"podcast=" + longUrl + L"x"}).podcast, L"");
}

TEST(SettingsValues, KeysAreExactAndLaterValidEntriesWin) {
  Settings s = readPlayer({L"Volume=50", L"volume =40", L"VOLUME=30", L"colour=red", L"volume",
                           L"=5", L"folder=C:\\Music=Old"});
  EXPECT_EQ(s.volume, 100);
  EXPECT_EQ(s.folder, L"C:\\Music=Old");  // the value runs from the first '='

  s = readPlayer({L"volume=30", L"volume=70", L"volume=700", L"folder=a", L"folder=b"});
  EXPECT_EQ(s.volume, 70);
  EXPECT_EQ(s.folder, L"b");
  EXPECT_EQ(readPlayer({L"folder="}).folder, L"");
}

TEST(SettingsLists, StationsSplitAtTheLastBar) {
  Settings s =
      readList(SettingsSection::Stations,
               {L"1=Jazz|FM|" + kUrl, L"2=Rock|" + kUrl, L"3=NoBar", L"4=|" + kUrl,
                L"5=Bad|http:///x", L"junk without equals", L"6=A=B|" + kUrl, L"7=Rock|" + kUrl});
  ASSERT_EQ(s.stations.size(), 4u);
  EXPECT_EQ(s.stations[0], (Settings::Station{L"Jazz|FM", kUrl}));
  EXPECT_EQ(s.stations[1], (Settings::Station{L"Rock", kUrl}));
  EXPECT_EQ(s.stations[2], (Settings::Station{L"A=B", kUrl}));
  EXPECT_EQ(s.stations[3], s.stations[1]);  // no duplicate check for stations

  std::wstring name256(256, L'n');
  s = readList(SettingsSection::Stations,
               {L"1=" + name256 + L"|" + kUrl, L"2=" + name256 + L"m|" + kUrl});
  ASSERT_EQ(s.stations.size(), 1u);
  EXPECT_EQ(s.stations[0].name, name256);
}

TEST(SettingsLists, UrlsHoldingBarsSurviveARoundTrip) {
  const std::wstring barUrl = L"http://radio.example/play?a=1|b=2";
  Settings s;
  s.stations = {{L"Bars", barUrl}, {L"Jazz|FM", barUrl}, {L"Plain", kUrl}};
  s.podcasts = {{L"Feed", L"https://feeds.example/x|y"}};
  Settings back = roundTrip(s);
  EXPECT_EQ(back.stations, s.stations);
  EXPECT_EQ(back.podcasts, s.podcasts);
}

TEST(SettingsLists, PositionsSplitAtTheFirstBarAndSkipRepeatedPaths) {
  Settings s = readList(SettingsSection::Positions,
                        {L"1=5000|C:\\a|b.mp3", L"2=0|C:\\zero.mp3", L"3=604800000|C:\\week.mp3",
                         L"4=604800001|C:\\over.mp3", L"5=100|", L"6=x|C:\\x.mp3",
                         L"7=9|C:\\a|b.mp3", L"8=7|c:\\A|B.MP3", L"9=-3|C:\\neg.mp3", L"10=12"});
  // The same file in another letter case is the same path: the first, most recent, stays.
  ASSERT_EQ(s.positions.size(), 2u);
  EXPECT_EQ(s.positions[0], (Settings::Position{L"C:\\a|b.mp3", 5000}));
  EXPECT_EQ(s.positions[1], (Settings::Position{L"C:\\week.mp3", 604800000}));
}

TEST(SettingsLists, PodcastsSkipRepeatedFeedUrls) {
  Settings s = readList(SettingsSection::Podcasts,
                        {L"1=One|https://feeds.example/1", L"2=Again|https://feeds.example/1",
                         L"3=Case|HTTPS://feeds.example/1", L"4=Two|Part|https://feeds.example/2",
                         L"5=|https://feeds.example/3"});
  ASSERT_EQ(s.podcasts.size(), 3u);
  EXPECT_EQ(s.podcasts[0], (Settings::Podcast{L"One", L"https://feeds.example/1"}));
  EXPECT_EQ(s.podcasts[1].title, L"Case");
  EXPECT_EQ(s.podcasts[2], (Settings::Podcast{L"Two|Part", L"https://feeds.example/2"}));
}

TEST(SettingsLists, HeardKeepsValidUrlsWithoutDuplicateCheck) {
  Settings s = readList(SettingsSection::Heard, {L"1=https://e.example/1.mp3", L"2=not a url",
                                                 L"3=https://e.example/1.mp3", L"4=", L"5"});
  EXPECT_EQ(s.heard,
            (std::vector<std::wstring>{L"https://e.example/1.mp3", L"https://e.example/1.mp3"}));
}

TEST(SettingsLists, ReadingStopsAtEachLimit) {
  std::vector<std::wstring> stations, positions, podcasts, heard;
  for (uint64_t i = 1; i <= 10000; ++i) {
    stations.push_back(n(i) + L"=S" + n(i) + L"|http://r.example/" + n(i));
    positions.push_back(n(i) + L"=" + n(i) + L"|C:\\book\\" + n(i) + L".mp3");
    podcasts.push_back(n(i) + L"=P" + n(i) + L"|http://f.example/" + n(i));
    heard.push_back(n(i) + L"=http://e.example/" + n(i));
  }
  Settings s = readList(SettingsSection::Stations, stations);
  ASSERT_EQ(s.stations.size(), 200u);
  EXPECT_EQ(s.stations.back().name, L"S200");
  EXPECT_EQ(readList(SettingsSection::Positions, positions).positions.size(), 200u);
  EXPECT_EQ(readList(SettingsSection::Podcasts, podcasts).podcasts.size(), 100u);
  s = readList(SettingsSection::Heard, heard);
  ASSERT_EQ(s.heard.size(), 1000u);
  EXPECT_EQ(s.heard.back(), L"http://e.example/1000");

  // The first 250 of a list of 250 stations: 200 are kept.
  stations.resize(250);
  s = readList(SettingsSection::Stations, stations);
  ASSERT_EQ(s.stations.size(), 200u);
  EXPECT_EQ(s.stations.front().name, L"S1");
}

TEST(SettingsLists, HugeLinesAndGarbageNeverCostAGoodEntry) {
  const std::wstring huge(100000, L'x');
  const std::wstring hugeBars(100000, L'|');
  Settings s =
      readList(SettingsSection::Stations,
               {L"1=Before|" + kUrl, L"2=" + huge + L"|" + kUrl, L"3=" + hugeBars,
                L"4=A|http://" + huge, L"5=A" + hugeBars + L"http://x", L"6=After|" + kUrl});
  ASSERT_EQ(s.stations.size(), 2u);
  EXPECT_EQ(s.stations[0].name, L"Before");
  EXPECT_EQ(s.stations[1].name, L"After");

  s = readPlayer({L"folder=" + huge, L"volume=" + std::wstring(100000, L'9'), L"opacity=60"});
  EXPECT_EQ(s.folder, huge);
  EXPECT_EQ(s.volume, 100);
  EXPECT_EQ(s.opacity, 60);

  // Random UTF-16 units (lone surrogates, controls, bars and equals signs included) between
  // good entries, in every section.
  std::mt19937 rng(12345);
  std::uniform_int_distribution<int> unit(1, 0xFFFF), len(0, 300), pick(0, 9);
  auto garbage = [&] {
    std::wstring g;
    for (int i = len(rng); i > 0; --i) {
      int k = pick(rng);
      g.push_back(k == 0 ? L'|' : k == 1 ? L'=' : static_cast<wchar_t>(unit(rng)));
    }
    return g;
  };
  for (int round = 0; round < 200; ++round) {
    std::vector<std::wstring> st, po, he, pl;
    for (int i = 0; i < 5; ++i) {
      st.push_back(garbage());
      st.push_back(L"1=Good" + n(i) + L"|" + kUrl);
      po.push_back(garbage());
      po.push_back(L"1=" + n(i + 1) + L"|C:\\good" + n(i) + L".mp3");
      he.push_back(garbage());
      he.push_back(L"1=" + kUrl + L"/" + n(i));
      pl.push_back(garbage());
    }
    pl.push_back(L"volume=42");
    st.push_back(garbage());
    Settings g;
    readSettingsSection(g, SettingsSection::Stations, section(st));
    readSettingsSection(g, SettingsSection::Positions, section(po));
    readSettingsSection(g, SettingsSection::Heard, section(he));
    readSettingsSection(g, SettingsSection::Player, section(pl));
    int goodStations = 0, goodPositions = 0, goodHeard = 0;
    for (const auto& x : g.stations) goodStations += x.url == kUrl && x.name.rfind(L"Good", 0) == 0;
    for (const auto& x : g.positions) goodPositions += x.path.rfind(L"C:\\good", 0) == 0;
    for (const auto& x : g.heard) goodHeard += x.rfind(kUrl + L"/", 0) == 0;
    ASSERT_EQ(goodStations, 5) << round;
    ASSERT_EQ(goodPositions, 5) << round;
    ASSERT_EQ(goodHeard, 5) << round;
    ASSERT_EQ(g.volume, 42) << round;
  }
}

TEST(SettingsWriting, PlayerSectionHasAll21KeysInOrder) {
  Settings s;
  s.folder = L"C:\\Music";
  s.volume = 35;
  s.opacity = 70;
  s.fullRect = {-8, 0, 900, 700};
  s.lastPositionMs = 604800000;
  s.tagCodepage = 1251;
  s.lastStation = kUrl;
  s.repeat = 2;
  std::wstring built = buildSettingsSection(s, SettingsSection::Player);
  ASSERT_GE(built.size(), 2u);
  EXPECT_EQ(built.substr(built.size() - 2), std::wstring(2, L'\0'));
  EXPECT_EQ(entriesOf(built), (std::vector<std::wstring>{L"folder=C:\\Music",
                                                         L"includeSubfolders=1",
                                                         L"shuffle=0",
                                                         L"repeat=2",
                                                         L"volume=35",
                                                         L"topmost=1",
                                                         L"miniMode=0",
                                                         L"listHidden=0",
                                                         L"audiobook=0",
                                                         L"opacity=70",
                                                         L"fullRect=-8,0,900,700",
                                                         L"miniRect=",
                                                         L"lastTrackPath=",
                                                         L"lastPositionMs=604800000",
                                                         L"tagCodepage=1251",
                                                         L"lastStation=" + kUrl,
                                                         L"podcast=",
                                                         L"bookPath=",
                                                         L"bookIncludeSubfolders=1",
                                                         L"bookTrack=",
                                                         L"bookPositionMs=0"}));
  EXPECT_EQ(entriesOf(buildSettingsSection(Settings{}, SettingsSection::Player)).size(), 21u);
}

TEST(SettingsWriting, ListsAreNumberedFromOneAndCutToTheirLimits) {
  Settings s;
  for (uint64_t i = 1; i <= 250; ++i) s.stations.push_back({L"S" + n(i), kUrl + n(i)});
  for (uint64_t i = 1; i <= 250; ++i) s.positions.push_back({L"C:\\" + n(i), i});
  for (uint64_t i = 1; i <= 150; ++i) s.podcasts.push_back({L"P" + n(i), kUrl + n(i)});
  for (uint64_t i = 1; i <= 1200; ++i) s.heard.push_back(kUrl + n(i));

  std::vector<std::wstring> st = entriesOf(buildSettingsSection(s, SettingsSection::Stations));
  ASSERT_EQ(st.size(), 200u);
  EXPECT_EQ(st.front(), L"1=S1|" + kUrl + L"1");
  EXPECT_EQ(st.back(), L"200=S200|" + kUrl + L"200");
  std::vector<std::wstring> po = entriesOf(buildSettingsSection(s, SettingsSection::Positions));
  ASSERT_EQ(po.size(), 200u);
  EXPECT_EQ(po.front(), L"1=1|C:\\1");
  std::vector<std::wstring> pc = entriesOf(buildSettingsSection(s, SettingsSection::Podcasts));
  ASSERT_EQ(pc.size(), 100u);
  EXPECT_EQ(pc.back(), L"100=P100|" + kUrl + L"100");
  std::vector<std::wstring> he = entriesOf(buildSettingsSection(s, SettingsSection::Heard));
  ASSERT_EQ(he.size(), 1000u);
  EXPECT_EQ(he.back(), L"1000=" + kUrl + L"1000");

  EXPECT_EQ(buildSettingsSection(Settings{}, SettingsSection::Heard), std::wstring(1, L'\0'));
}

TEST(SettingsWriting, LineBreaksNeverReachTheFile) {
  Settings s;
  s.folder = L"C:\\a\r\nvolume=5";
  s.lastStation = L"http://x\n";
  s.stations = {{L"Two\r\nLines", kUrl}, {L"Bad", L"http://x\r\n[Player]"}, {L"Ok", kUrl}};
  s.positions = {{L"C:\\a\nb.mp3", 5}, {L"C:\\ok.mp3", 6}};
  s.heard = {L"http://a\n2=http://b", kUrl};
  for (SettingsSection which : kSettingsSaveOrder) {
    std::wstring built = buildSettingsSection(s, which);
    EXPECT_EQ(built.find_first_of(L"\r\n"), std::wstring::npos);
  }
  Settings back = roundTrip(s);
  EXPECT_EQ(back.folder, L"");
  EXPECT_EQ(back.volume, 100);
  EXPECT_EQ(back.stations, (std::vector<Settings::Station>{{L"Two  Lines", kUrl}, {L"Ok", kUrl}}));
  EXPECT_EQ(back.positions, (std::vector<Settings::Position>{{L"C:\\ok.mp3", 6}}));
  EXPECT_EQ(back.heard, std::vector<std::wstring>{kUrl});
  EXPECT_EQ(entriesOf(buildSettingsSection(s, SettingsSection::Stations))[1], L"2=Ok|" + kUrl);
}
