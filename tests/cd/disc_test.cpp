// A disc's layout and texts: the table of contents mapped to audio tracks, CD-Text decoding,
// track paths and list names, reading a disc (errors and cancelling) and the loader's way to
// a track, all over generated discs.
#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <mutex>
#include <thread>

#include "cd/cd_text.h"
#include "cd/disc_reader.h"
#include "cd/disc_result.h"
#include "cd/open_track.h"
#include "cd/toc.h"
#include "cd/track_path.h"
#include "cd/track_source.h"
#include "tests/support/cd_disc_image.h"

namespace {

using testcd::ImageTrack;
using testcd::Pack;

std::vector<cd::AudioTrack> mapToc(const std::vector<uint8_t>& toc, bool expectOk = true) {
  std::vector<cd::AudioTrack> tracks;
  EXPECT_EQ(expectOk, cd::audioTracksFromToc(toc.data(), toc.size(), tracks));
  return tracks;
}

void expectTrack(const cd::AudioTrack& t, uint32_t number, uint32_t first, uint32_t end) {
  EXPECT_EQ(number, t.number);
  EXPECT_EQ(first, t.firstSector);
  EXPECT_EQ(end, t.endSector);
}

std::wstring wide(const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); }

struct Texts {
  cd::DiscTexts titles, performers;
  bool used = false;
};

Texts decode(const std::vector<uint8_t>& block, uint32_t codepage = 1252) {
  Texts t;
  t.used = cd::decodeCdText(block.data(), block.size(), codepage, t.titles, t.performers);
  return t;
}

TEST(CdToc, MixedModeAndEnhancedDiscsGiveTheirAudioTracks) {
  // Data track 1, audio 2 to 10: the audio tracks run back to back up to the lead-out.
  std::vector<ImageTrack> mixed = {{1, 0, true}};
  for (uint32_t n = 2; n <= 10; ++n) mixed.push_back({n, 1000 * n});
  std::vector<cd::AudioTrack> tracks = mapToc(testcd::tocBytes(mixed, 12000));
  ASSERT_EQ(9u, tracks.size());
  for (uint32_t n = 2; n <= 10; ++n)
    expectTrack(tracks[n - 2], n, 1000 * n, n == 10 ? 12000 : 1000 * (n + 1));

  // Enhanced CD: the data session begins 11400 sectors after the last audio track ends.
  tracks = mapToc(testcd::tocBytes({{1, 0}, {2, 20000}, {3, 60000, true}}, 90000));
  ASSERT_EQ(2u, tracks.size());
  expectTrack(tracks[0], 1, 0, 20000);
  expectTrack(tracks[1], 2, 20000, 60000 - 11400);

  // A data track too early for the gap leaves the track before it nothing: it is skipped.
  EXPECT_TRUE(mapToc(testcd::tocBytes({{1, 0}, {2, 11000, true}}, 30000), false).empty());

  // Entries at or after the lead-out are dropped.
  tracks = mapToc(testcd::tocBytes({{1, 0}, {2, 500}, {3, 900}}, 700));
  ASSERT_EQ(2u, tracks.size());
  expectTrack(tracks[1], 2, 500, 700);
}

TEST(CdToc, MalformedTablesAreRefused) {
  mapToc({}, false);
  mapToc({0, 2, 1}, false);
  mapToc(testcd::tocBytes({{2, 100}, {2, 200}}, 300), false);  // number repeats
  mapToc(testcd::tocBytes({{1, 100}, {2, 100}}, 300), false);  // start repeats
  mapToc(testcd::tocBytes({{3, 100}, {2, 200}}, 300), false);  // number falls
  mapToc(testcd::tocBytes({{0, 100}}, 300), false);
  mapToc(testcd::tocBytes({{100, 100}}, 300), false);
  mapToc(testcd::tocBytes({{1, 0x80000000u}}, 300), false);  // address with its top bit set
  mapToc(testcd::tocBytes({{1, 0, true}}, 300), false);      // no audio
  std::vector<uint8_t> noLeadOut = testcd::tocBytes({{1, 0}, {2, 100}}, 300);
  noLeadOut.resize(noLeadOut.size() - 8);
  mapToc(noLeadOut, false);
  std::vector<uint8_t> cutShort = testcd::tocBytes({{1, 0}}, 300);
  cutShort[1] = 9;  // the stated length ends inside the lead-out entry
  mapToc(cutShort, false);
}

TEST(CdText, CrcIsTheCcittCheckValue) {
  const uint8_t digits[] = {'1', '2', '3', '4', '5', '6', '7', '8', '9'};
  EXPECT_EQ(0x31C3, cd::cdTextCrc(digits, sizeof digits));
}

TEST(CdText, TitlesAndPerformersDecodeWithTheirCrcsOrWithAllCrcsZero) {
  const std::vector<std::string> titles = {"Generated Disc", "Opening number", "", "\t", "Fourth"};
  const std::vector<std::string> performers = {"The Testers", "", "Guest Star"};
  for (bool zero : {false, true}) {
    SCOPED_TRACE(zero);
    Texts t = decode(testcd::encodeCdText(titles, performers, zero));
    EXPECT_TRUE(t.used);
    EXPECT_EQ(L"Generated Disc", t.titles[0]);
    EXPECT_EQ(L"Opening number", t.titles[1]);
    EXPECT_EQ(L"", t.titles[2]);
    EXPECT_EQ(L"", t.titles[3]);  // a TAB repeats the previous text, empty here
    EXPECT_EQ(L"Fourth", t.titles[4]);
    EXPECT_EQ(L"The Testers", t.performers[0]);
    EXPECT_EQ(L"Guest Star", t.performers[2]);
  }
  // With a valid CRC about, a zero one is just wrong: that pack's texts are lost.
  std::vector<Pack> packs = testcd::textPacks(cd::kPackTitle, {"Album", "First", "Second"});
  ASSERT_EQ(2u, packs.size());
  testcd::seal(packs[1], true);
  Texts t = decode(testcd::cdTextBlock(packs));
  EXPECT_EQ(L"Album", t.titles[0]);
  EXPECT_EQ(L"First", t.titles[1]);
  EXPECT_EQ(L"", t.titles[2]);  // all in the lost pack
}

TEST(CdText, TabRepeatsThePreviousTitleFromTrackTwoOn) {
  Texts t = decode(testcd::encodeCdText({"\t", "\t", "Second", "\t", "\t"}, {}));
  EXPECT_EQ(L"", t.titles[0]);
  EXPECT_EQ(L"", t.titles[1]);
  EXPECT_EQ(L"Second", t.titles[2]);
  EXPECT_EQ(L"Second", t.titles[3]);
  EXPECT_EQ(L"Second", t.titles[4]);
}

TEST(CdText, BrokenSequencesLoseOnlyTheTextsTheyTouch) {
  // Ten texts of 10 bytes with their NULs in packs of 12: pack 4 holds the end of text 4 and
  // all of text 5.
  std::vector<std::string> titles;
  for (int i = 0; i < 10; ++i) titles.push_back("Title #" + std::to_string(10 + i));
  std::vector<Pack> packs = testcd::textPacks(cd::kPackTitle, titles);
  packs.erase(packs.begin() + 4);
  Texts t = decode(testcd::cdTextBlock(packs));
  for (int i = 0; i < 10; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(i == 4 || i == 5 ? L"" : wide(titles[i]), t.titles[i]);
  }

  // A block that begins in the middle of a text does not use it.
  packs = testcd::textPacks(cd::kPackTitle, titles);
  packs.erase(packs.begin());
  t = decode(testcd::cdTextBlock(packs));
  EXPECT_EQ(L"", t.titles[0]);
  EXPECT_EQ(L"", t.titles[1]);
  EXPECT_EQ(L"Title #12", t.titles[2]);

  // A text cut off by the end of the block is not used either; 160 bytes are kept of a text.
  packs = testcd::textPacks(cd::kPackTitle, {std::string(200, 'x'), "Short"});
  t = decode(testcd::cdTextBlock(packs));
  EXPECT_EQ(std::wstring(160, L'x'), t.titles[0]);
  EXPECT_EQ(L"Short", t.titles[1]);
  packs.pop_back();
  t = decode(testcd::cdTextBlock(packs));
  EXPECT_EQ(L"", t.titles[1]);
}

TEST(CdText, OtherBlocksDoubleByteAndForeignCharacterCodesAreNotUsed) {
  std::vector<Pack> packs = testcd::textPacks(cd::kPackTitle, {"Album", "One"});
  auto withSizeInfo = [&packs](uint8_t code) {
    std::vector<Pack> all = packs;
    all.push_back(testcd::sizeInfoPack(code, static_cast<uint8_t>(all.size())));
    return testcd::cdTextBlock(all);
  };
  EXPECT_EQ(L"One", decode(withSizeInfo(0)).titles[1]);  // ISO 8859-1
  EXPECT_EQ(L"One", decode(withSizeInfo(1)).titles[1]);  // ASCII
  EXPECT_FALSE(decode(withSizeInfo(0x80)).used);         // MS-JIS

  std::vector<Pack> doubleByte = packs;
  doubleByte[0][3] |= 0x80;
  testcd::seal(doubleByte[0]);
  EXPECT_FALSE(decode(testcd::cdTextBlock(doubleByte)).used);

  std::vector<Pack> block1 = packs;
  for (Pack& p : block1) {
    p[3] |= 0x10;
    testcd::seal(p);
  }
  EXPECT_FALSE(decode(testcd::cdTextBlock(block1)).used);
  // Another language block beside block 0 changes nothing.
  std::vector<Pack> both = packs;
  both.insert(both.end(), block1.begin(), block1.end());
  EXPECT_EQ(L"One", decode(testcd::cdTextBlock(both)).titles[1]);

  EXPECT_FALSE(decode({}).used);
  EXPECT_FALSE(decode({0, 2, 0, 0}).used);
}

TEST(CdText, EightBitTextFollowsTheTagCodePage) {
  const std::string cyrillic = "\xCF\xF0\xE8\xE2\xE5\xF2";  // "Привет" in 1251
  const std::string utf8 = "Caf\xC3\xA9";
  std::vector<uint8_t> block = testcd::encodeCdText({cyrillic, "Caf\xE9", utf8}, {});
  Texts automatic = decode(block, 0);
  EXPECT_EQ(L"\u041F\u0440\u0438\u0432\u0435\u0442", automatic.titles[0]);
  EXPECT_EQ(L"Caf\u00E9", automatic.titles[1]);
  EXPECT_EQ(L"Caf\u00E9", automatic.titles[2]);
  EXPECT_EQ(L"\u00CF\u00F0\u00E8\u00E2\u00E5\u00F2", decode(block, 1252).titles[0]);
}

TEST(CdTrackPath, FormsAndParses) {
  wchar_t letter = 0;
  uint32_t track = 0;
  EXPECT_TRUE(cd::parseTrackPath(L"d:\\track05.CDA", letter, track));
  EXPECT_EQ(L'D', letter);
  EXPECT_EQ(5u, track);
  EXPECT_TRUE(cd::parseTrackPath(L"Z:\\TRACK99.cda", letter, track));
  EXPECT_EQ(99u, track);
  for (const wchar_t* bad : {L"D:\\Track00.cda", L"D:\\Track5.cda", L"D:\\Track005.cda",
                             L"1:\\Track05.cda", L"D:/Track05.cda", L"D:\\Trak05x.cda",
                             L"D:\\Track0a.cda", L"D:\\Track05.cdb", L"D;\\Track05.cda"}) {
    EXPECT_FALSE(cd::parseTrackPath(bad, letter, track)) << bad;
  }
  EXPECT_EQ(L"E:\\Track07.cda", cd::formatTrackPath(L'E', 7));
  EXPECT_EQ(L"E:\\Track42.cda", cd::formatTrackPath(L'E', 42));
}

TEST(CdTrackList, NamesComeFromTitlesAndPerformers) {
  cd::DiscResult result;
  result.letter = L'G';
  result.tracks = {{1, 0, 10}, {2, 10, 20}, {3, 20, 30}, {4, 30, 40}};
  result.titles[1] = L"Intro";
  result.titles[2] = L"Song";
  result.performers[0] = L"Band";
  result.performers[2] = L"Guest";
  result.performers[3] = L"Someone";  // a performer without a title
  std::vector<cd::ListEntry> rows = cd::listEntries(result);
  ASSERT_EQ(4u, rows.size());
  EXPECT_EQ(L"G:\\Track01.cda", rows[0].path);
  EXPECT_EQ(L"Band - Intro", rows[0].name);
  EXPECT_EQ(L"Guest - Song", rows[1].name);
  EXPECT_EQ(L"Track 03", rows[2].name);
  EXPECT_EQ(L"Track 04", rows[3].name);
  EXPECT_EQ(L"Title", cd::trackDisplayName(9, L"Title", L""));
}

cd::DiscResult readWith(const std::shared_ptr<testcd::DiscImage>& disc) {
  cd::DiscResult result;
  result.letter = L'D';
  std::atomic<bool> cancelled{false};
  cd::readDisc(disc->opener(), 1252, cancelled, result);
  return result;
}

TEST(CdRead, ReadsTracksAndTextsOrSaysWhyNot) {
  auto disc = testcd::mixedModeDisc();
  cd::DiscResult ok = readWith(disc);
  EXPECT_EQ(L"", ok.error);
  ASSERT_EQ(3u, ok.tracks.size());
  expectTrack(ok.tracks[0], 2, 300, 340);
  expectTrack(ok.tracks[2], 4, 430, 460);
  std::vector<cd::ListEntry> rows = cd::listEntries(ok);
  ASSERT_EQ(3u, rows.size());
  EXPECT_EQ(L"D:\\Track02.cda", rows[0].path);
  EXPECT_EQ(L"The Testers - Second", rows[0].name);
  EXPECT_EQ(L"Guest - Third", rows[1].name);
  EXPECT_EQ(L"Track 04", rows[2].name);

  disc->cdText.clear();  // no CD-Text is no error
  EXPECT_EQ(L"", readWith(disc).error);
  EXPECT_EQ(L"", readWith(disc).titles[2]);

  disc->openFails = true;
  EXPECT_EQ(L"Can't open drive D:", readWith(disc).error);
  disc->openFails = false;
  disc->tocError = 21;  // not ready
  EXPECT_EQ(L"No disc in drive D:", readWith(disc).error);
  disc->tocError = 1112;  // no media
  EXPECT_EQ(L"No disc in drive D:", readWith(disc).error);
  disc->tocError = 5;  // access denied
  EXPECT_EQ(L"Can't read the disc in drive D:", readWith(disc).error);
  disc->tocError = 0;
  disc->toc = testcd::tocBytes({{1, 0}, {3, 100}, {2, 200}}, 300);
  EXPECT_EQ(L"No audio CD in drive D:", readWith(disc).error);
  EXPECT_TRUE(readWith(disc).tracks.empty());
}

// Collects what the reading thread posts.
struct Inbox {
  std::mutex mutex;
  std::vector<std::unique_ptr<cd::DiscResult>> results;
  bool refuse = false;
  size_t offered = 0;

  cd::DiscReader::Post post() {
    return [this](cd::DiscResult* r) {
      std::lock_guard<std::mutex> lock(mutex);
      ++offered;
      if (refuse) return false;
      results.emplace_back(r);
      return true;
    };
  }
  size_t count() {
    std::lock_guard<std::mutex> lock(mutex);
    return results.size();
  }
  size_t offers() {
    std::lock_guard<std::mutex> lock(mutex);
    return offered;
  }
};

template <typename Pred>
bool waitFor(Pred pred) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (!pred()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

TEST(CdReader, PostsOneResultAndCancelledReadsPostNothing) {
  Inbox inbox;
  cd::DiscReader reader;
  auto blocked = testcd::mixedModeDisc();
  blocked->blockToc = true;

  // A new read cancels the one that is stuck in the drive; only the new one answers.
  ASSERT_TRUE(reader.start(1, L'e', 0, blocked->opener(), inbox.post()));
  ASSERT_TRUE(waitFor([&] { return blocked->tocEntered(); }));
  auto fresh = testcd::mixedModeDisc();
  ASSERT_TRUE(reader.start(2, L'F', 0, fresh->opener(), inbox.post()));
  ASSERT_TRUE(waitFor([&] { return inbox.count() == 1; }));
  reader.cancel();
  EXPECT_EQ(2, inbox.results[0]->id);
  EXPECT_EQ(L'F', inbox.results[0]->letter);
  EXPECT_EQ(3u, inbox.results[0]->tracks.size());
  EXPECT_EQ(L"Second", inbox.results[0]->titles[2]);

  // Cancelling a blocked read returns once the call is aborted, and posts nothing.
  auto again = testcd::mixedModeDisc();
  again->blockToc = true;
  ASSERT_TRUE(reader.start(3, L'E', 0, again->opener(), inbox.post()));
  ASSERT_TRUE(waitFor([&] { return again->tocEntered(); }));
  auto cancelled = std::async(std::launch::async, [&reader] { reader.cancel(); });
  EXPECT_EQ(std::future_status::ready, cancelled.wait_for(std::chrono::seconds(20)));
  EXPECT_EQ(1u, inbox.count());

  // A result the window does not take is freed (the sanitizers see a leak otherwise).
  {
    std::lock_guard<std::mutex> lock(inbox.mutex);
    inbox.refuse = true;
  }
  ASSERT_TRUE(reader.start(4, L'E', 0, fresh->opener(), inbox.post()));
  ASSERT_TRUE(waitFor([&] { return inbox.offers() == 2; }));
  reader.cancel();
  EXPECT_EQ(1u, inbox.count());
}

TEST(CdOpenTrack, GivesTheTracksSourceOrNoDisc) {
  auto disc = testcd::mixedModeDisc();
  cd::OpenTrackError error = cd::OpenTrackError::None;
  std::unique_ptr<source::ByteSource> src =
      cd::openTrackSource(L"x:\\track03.cda", disc->opener(), error);
  ASSERT_TRUE(src);
  EXPECT_EQ(cd::OpenTrackError::None, error);
  EXPECT_EQ(90u * 2352 + 44, src->size());
  EXPECT_TRUE(src->seekable());

  for (const wchar_t* path :
       {L"X:\\Track01.cda" /* data */, L"X:\\Track05.cda", L"X:\\Track3.cda"}) {
    EXPECT_FALSE(cd::openTrackSource(path, disc->opener(), error)) << path;
    EXPECT_EQ(cd::OpenTrackError::NoDisc, error);
  }
  disc->tocError = 21;
  EXPECT_FALSE(cd::openTrackSource(L"X:\\Track03.cda", disc->opener(), error));
  EXPECT_EQ(cd::OpenTrackError::NoDisc, error);
  disc->tocError = 0;
  disc->openFails = true;
  EXPECT_FALSE(cd::openTrackSource(L"X:\\Track03.cda", disc->opener(), error));
  EXPECT_EQ(cd::OpenTrackError::NoDisc, error);
}

}  // namespace
