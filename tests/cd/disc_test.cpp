// A disc's layout and texts over generated discs: the table of contents mapped to audio
// tracks, CD-Text, track paths and list names, reading a disc with its errors and cancelling,
// and the loader's way to a track.
#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <mutex>
#include <thread>

#include "cd/disc_reader.h"
#include "cd/open_track.h"
#include "cd/track_path.h"
#include "tests/support/cd_disc_image.h"

namespace {

using testcd::Pack;
using testcd::tocBytes;

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

cd::DiscTexts titlesOf(const std::vector<uint8_t>& block, uint32_t codepage = 1252,
                       bool used = true) {
  cd::DiscTexts titles, performers;
  EXPECT_EQ(used, cd::decodeCdText(block.data(), block.size(), codepage, titles, performers));
  return titles;
}

std::wstring wide(const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); }

TEST(CdToc, MixedModeAndEnhancedDiscsGiveTheirAudioTracks) {
  std::vector<testcd::ImageTrack> mixed = {{1, 0, true}};
  for (uint32_t n = 2; n <= 10; ++n) mixed.push_back({n, 1000 * n});
  std::vector<cd::AudioTrack> tracks = mapToc(tocBytes(mixed, 12000));
  ASSERT_EQ(9u, tracks.size());
  for (uint32_t n = 2; n <= 10; ++n)
    expectTrack(tracks[n - 2], n, 1000 * n, n == 10 ? 12000 : 1000 * (n + 1));

  // The data session of an enhanced CD begins 11400 sectors after the last audio track ends;
  // a data track too early for that leaves the track before it nothing.
  tracks = mapToc(tocBytes({{1, 0}, {2, 20000}, {3, 60000, true}}, 90000));
  ASSERT_EQ(2u, tracks.size());
  expectTrack(tracks[1], 2, 20000, 60000 - 11400);
  mapToc(tocBytes({{1, 0}, {2, 11000, true}}, 30000), false);

  // Entries at or after the lead-out are dropped.
  tracks = mapToc(tocBytes({{1, 0}, {2, 500}, {3, 900}}, 700));
  ASSERT_EQ(2u, tracks.size());
  expectTrack(tracks[1], 2, 500, 700);

  mapToc({0, 2, 1}, false);
  mapToc(tocBytes({{2, 100}, {2, 200}}, 300), false);  // numbers must rise
  mapToc(tocBytes({{1, 100}, {2, 100}}, 300), false);  // and starts
  mapToc(tocBytes({{0, 100}}, 300), false);
  mapToc(tocBytes({{100, 100}}, 300), false);
  mapToc(tocBytes({{1, 0x80000000u}}, 300), false);
  std::vector<uint8_t> cut = tocBytes({{1, 0}}, 300);
  cut[1] = 9;  // the stated length ends inside the lead-out entry
  mapToc(cut, false);
}

TEST(CdText, DecodesWithCrcsOrAllZeroCrcsAndRepeatsTabTitles) {
  const uint8_t digits[] = {'1', '2', '3', '4', '5', '6', '7', '8', '9'};
  EXPECT_EQ(0x31C3, cd::cdTextCrc(digits, sizeof digits));  // the CCITT check value

  for (bool zeroCrc : {false, true}) {
    std::vector<uint8_t> block =
        testcd::encodeCdText({"Album", "\t", "Second", "\t", "\t"}, {"Band", "", "Guest"}, zeroCrc);
    cd::DiscTexts titles, performers;
    EXPECT_TRUE(cd::decodeCdText(block.data(), block.size(), 0, titles, performers));
    EXPECT_EQ(L"Album", titles[0]);
    EXPECT_EQ(L"", titles[1]);  // track 1 does not repeat the album
    EXPECT_EQ(L"Second", titles[2]);
    EXPECT_EQ(L"Second", titles[4]);
    EXPECT_EQ(L"Band", performers[0]);
    EXPECT_EQ(L"Guest", performers[2]);
  }
  // With valid CRCs about, a zero one is just wrong and its pack is lost.
  std::vector<Pack> packs = testcd::textPacks(cd::kPackTitle, {"Album", "First", "Second"});
  testcd::seal(packs[1], true);
  cd::DiscTexts titles = titlesOf(testcd::cdTextBlock(packs));
  EXPECT_EQ(L"First", titles[1]);
  EXPECT_EQ(L"", titles[2]);

  // 8-bit text goes through the tag code page.
  const std::vector<uint8_t> block = testcd::encodeCdText({"\xCF\xF0\xE8"}, {});
  EXPECT_EQ(L"\u041F\u0440\u0438", titlesOf(block, 1251)[0]);
  EXPECT_EQ(L"\u00CF\u00F0\u00E8", titlesOf(block, 1252)[0]);
}

TEST(CdText, BrokenSequencesLoseOnlyTheTextsTheyTouch) {
  // Texts of 10 bytes with their NULs in packs of 12: pack 4 holds the end of text 4 and all
  // of text 5; pack 0 the start of text 1.
  std::vector<std::string> names;
  for (int i = 10; i < 20; ++i) names.push_back("Title #" + std::to_string(i));
  const std::vector<Pack> packs = testcd::textPacks(cd::kPackTitle, names);
  std::vector<Pack> lost = packs;
  lost.erase(lost.begin() + 4);
  cd::DiscTexts titles = titlesOf(testcd::cdTextBlock(lost));
  for (int i = 0; i < 10; ++i) EXPECT_EQ(i == 4 || i == 5 ? L"" : wide(names[i]), titles[i]) << i;
  lost.assign(packs.begin() + 1, packs.end());
  titles = titlesOf(testcd::cdTextBlock(lost));
  EXPECT_EQ(L"", titles[1]);  // began in the lost pack
  EXPECT_EQ(L"Title #12", titles[2]);

  // 160 bytes are kept of a text; a text cut off by the end of the block is not used.
  lost = testcd::textPacks(cd::kPackTitle, {std::string(200, 'x'), "Short"});
  EXPECT_EQ(std::wstring(160, L'x'), titlesOf(testcd::cdTextBlock(lost))[0]);
  lost.pop_back();
  EXPECT_EQ(L"", titlesOf(testcd::cdTextBlock(lost))[1]);
}

TEST(CdText, OnlyBlockZeroInASingleByteCodeIsUsed) {
  const std::vector<Pack> packs = testcd::textPacks(cd::kPackTitle, {"Album", "One"});
  auto with = [&packs](const std::vector<Pack>& extra) {
    std::vector<Pack> all = packs;
    all.insert(all.end(), extra.begin(), extra.end());
    return testcd::cdTextBlock(all);
  };
  EXPECT_EQ(L"One", titlesOf(with({testcd::sizeInfoPack(0, 1)}))[1]);  // ISO 8859-1
  EXPECT_EQ(L"One", titlesOf(with({testcd::sizeInfoPack(1, 1)}))[1]);  // ASCII
  titlesOf(with({testcd::sizeInfoPack(0x80, 1)}), 1252, false);        // MS-JIS

  std::vector<Pack> block1 = packs, doubleByte = packs;
  block1[0][3] |= 0x10;
  testcd::seal(block1[0]);
  doubleByte[0][3] |= 0x80;
  testcd::seal(doubleByte[0]);
  EXPECT_EQ(L"One", titlesOf(with(block1))[1]);  // another language beside block 0
  titlesOf(testcd::cdTextBlock(block1), 1252, false);
  titlesOf(testcd::cdTextBlock(doubleByte), 1252, false);
  titlesOf({0, 2, 0, 0}, 1252, false);
}

TEST(CdTrackPath, FormsAndParses) {
  wchar_t letter = 0;
  uint32_t track = 0;
  EXPECT_TRUE(cd::parseTrackPath(L"d:\\track05.CDA", letter, track));
  EXPECT_EQ(L'D', letter);
  EXPECT_EQ(5u, track);
  for (const wchar_t* bad : {L"D:\\Track00.cda", L"D:\\Track5.cda", L"1:\\Track05.cda",
                             L"D:/Track05.cda", L"D:\\Track0a.cda", L"D:\\Track05.cdb"})
    EXPECT_FALSE(cd::parseTrackPath(bad, letter, track)) << bad;
  EXPECT_EQ(L"E:\\Track42.cda", cd::formatTrackPath(L'E', 42));
}

cd::DiscResult readWith(const std::shared_ptr<testcd::DiscImage>& disc) {
  cd::DiscResult result;
  result.letter = L'D';
  std::atomic<bool> cancelled{false};
  cd::readDisc(disc->opener(), 1252, cancelled, result);
  return result;
}

TEST(CdRead, ReadsTracksAndNamesOrSaysWhyNot) {
  auto disc = testcd::mixedModeDisc();
  cd::DiscResult ok = readWith(disc);
  EXPECT_EQ(L"", ok.error);
  std::vector<cd::ListEntry> rows = cd::listEntries(ok);
  ASSERT_EQ(3u, rows.size());
  EXPECT_EQ(L"D:\\Track02.cda", rows[0].path);
  EXPECT_EQ(L"The Testers - Second", rows[0].name);  // the album performer stands in
  EXPECT_EQ(L"Track 03", rows[1].name);              // a performer but no title
  EXPECT_EQ(L"Guest - Fourth", rows[2].name);
  EXPECT_EQ(L"Title", cd::trackDisplayName(9, L"Title", L""));

  disc->cdText.clear();  // no CD-Text is no error
  EXPECT_EQ(L"Track 02", cd::listEntries(readWith(disc))[0].name);

  const std::pair<uint32_t, const wchar_t*> errors[] = {{21, L"No disc in drive D:"},
                                                        {1112, L"No disc in drive D:"},
                                                        {5, L"Can't read the disc in drive D:"}};
  for (const auto& [code, text] : errors) {
    disc->tocError = code;
    EXPECT_EQ(text, readWith(disc).error);
  }
  disc->tocError = 0;
  // The same errors end a sector read for good; others are worth a retry.
  EXPECT_EQ(cd::ReadResult::Gone, cd::readResultForError(995));  // aborted
  EXPECT_EQ(cd::ReadResult::Retry, cd::readResultForError(23));  // a CRC error
  disc->toc = tocBytes({{1, 0}, {3, 100}, {2, 200}}, 300);
  EXPECT_EQ(L"No audio CD in drive D:", readWith(disc).error);
  disc->openFails = true;
  EXPECT_EQ(L"Can't open drive D:", readWith(disc).error);
}

TEST(CdOpenTrack, OnlyAnAudioTrackOfTheDiscOpens) {
  auto disc = testcd::mixedModeDisc();
  cd::OpenTrackError error = cd::OpenTrackError::NoDisc;
  auto src = cd::openTrackSource(L"x:\\track03.cda", disc->opener(), error);
  ASSERT_TRUE(src);
  EXPECT_EQ(90u * 2352 + 44, src->size());
  for (const wchar_t* path :
       {L"X:\\Track01.cda" /* data */, L"X:\\Track05.cda", L"X:\\Track3.cda"}) {
    EXPECT_FALSE(cd::openTrackSource(path, disc->opener(), error)) << path;
    EXPECT_EQ(cd::OpenTrackError::NoDisc, error);
  }
}

template <typename Pred>
bool waitFor(Pred pred) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (!pred() && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  return pred();
}

TEST(CdReader, PostsOneResultAndCancelledReadsPostNothing) {
  std::mutex mutex;
  std::vector<std::unique_ptr<cd::DiscResult>> inbox;
  size_t offers = 0;
  bool refuse = false;
  auto post = [&](cd::DiscResult* r) {
    std::lock_guard<std::mutex> lock(mutex);
    ++offers;
    if (!refuse) inbox.emplace_back(r);
    return !refuse;
  };
  auto counted = [&](size_t n) {
    std::lock_guard<std::mutex> lock(mutex);
    return offers == n;
  };
  cd::DiscReader reader;
  auto stuck = testcd::mixedModeDisc();
  stuck->blockToc = true;
  auto good = testcd::mixedModeDisc();

  // A new read cancels the one stuck in the drive; only the new one answers.
  ASSERT_TRUE(reader.start(1, L'e', 0, stuck->opener(), post));
  ASSERT_TRUE(waitFor([&] { return stuck->tocEntered(); }));
  ASSERT_TRUE(reader.start(2, L'f', 0, good->opener(), post));
  ASSERT_TRUE(waitFor([&] { return counted(1); }));
  EXPECT_EQ(2, inbox[0]->id);
  EXPECT_EQ(L'F', inbox[0]->letter);
  EXPECT_EQ(3u, inbox[0]->tracks.size());

  // Cancelling a stuck read returns once its call is aborted.
  auto again = testcd::mixedModeDisc();
  again->blockToc = true;
  ASSERT_TRUE(reader.start(3, L'E', 0, again->opener(), post));
  ASSERT_TRUE(waitFor([&] { return again->tocEntered(); }));
  auto cancelling = std::async(std::launch::async, [&reader] { reader.cancel(); });
  EXPECT_EQ(std::future_status::ready, cancelling.wait_for(std::chrono::seconds(20)));

  // A result the window does not take is freed (the sanitizers would see a leak).
  refuse = true;
  ASSERT_TRUE(reader.start(4, L'E', 0, good->opener(), post));
  EXPECT_TRUE(waitFor([&] { return counted(2); }));
  reader.cancel();
  EXPECT_EQ(1u, inbox.size());
}

}  // namespace
