#include "engine/mp4_parser.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/support/bytes.h"
#include "tests/support/files.h"

using namespace testbytes;
using namespace std::string_literals;  // wide literals with their length: no wcslen at run time

namespace {

Bytes box(const std::string& type, std::initializer_list<Bytes> parts = {}) {
  Bytes body = cat(parts);
  return cat({be32(uint32_t(8 + body.size())), str(type), body});
}

Bytes fullBox(const std::string& type, uint8_t version, std::initializer_list<Bytes> parts) {
  return box(type, {Bytes{version, 0, 0, 0}, cat(parts)});
}

Bytes item(const std::string& type, uint32_t dataType, const Bytes& payload) {
  return box(type, {box("data", {be32(dataType), zeros(4), payload})});
}

// A meta box as iTunes writes it (version and flags first) or as QuickTime does (hdlr first).
Bytes meta(const Bytes& ilst, bool quickTime = false) {
  Bytes hdlr = fullBox("hdlr", 0, {zeros(4), str("mdir"), zeros(13)});
  return quickTime ? box("meta", {hdlr, ilst}) : fullBox("meta", 0, {hdlr, ilst});
}

Bytes fileWithMoov(std::initializer_list<Bytes> children) {
  return cat({box("ftyp", {str("M4A "), zeros(4)}), box("moov", children)});
}

TagInfo tagsOf(const Bytes& file) {
  TagInfo info;
  readMp4Tags(memoryBoxReader(file.data(), file.size()), info);
  return info;
}

std::vector<uint32_t> startsOf(const TagInfo& info) {
  std::vector<uint32_t> starts;
  for (const Chapter& c : info.chapters) starts.push_back(c.startMs);
  return starts;
}

std::vector<std::wstring> titlesOf(const TagInfo& info) {
  std::vector<std::wstring> titles;
  for (const Chapter& c : info.chapters) titles.push_back(c.title);
  return titles;
}

// The text sample of a QuickTime chapter: a 16-bit length, then the text.
Bytes chapterSample(const Bytes& text) { return cat({be16(uint16_t(text.size())), text}); }

Bytes neroChapters(uint8_t version, const std::vector<std::pair<uint64_t, std::string>>& entries,
                   int declaredCount = -1) {
  Bytes body = version == 1 ? zeros(4) : Bytes{};
  body.push_back(uint8_t(declaredCount >= 0 ? declaredCount : int(entries.size())));
  for (const auto& [units, title] : entries) {
    append(body, cat({be64(units), Bytes{uint8_t(title.size())}, str(title)}));
  }
  return fullBox("chpl", version, {body});
}

// A file with a sound track that names track 7 as its chapter track, and that text track:
// the samples lie back to back in mdat, grouped into chunks as given.
struct ChapterTrack {
  std::vector<Bytes> samples;
  std::vector<std::pair<uint32_t, uint32_t>> stts;  // sample count, delta
  std::vector<std::pair<uint32_t, uint32_t>> stsc;  // first chunk, samples per chunk
  std::vector<size_t> chunkStarts{0};               // index of each chunk's first sample
  uint32_t timescale = 1000;
  uint32_t constantSize = 0;
  bool co64 = false;
  bool shortStco = false;                 // a broken stco next to a usable co64
  std::string omit;                       // a table left out
  std::vector<uint64_t> offsetsOverride;  // chunk offsets written instead of the real ones
  Bytes moovExtra;                        // e.g. a udta with Nero chapters
};

Bytes chapterFile(const ChapterTrack& t) {
  const Bytes ftyp = box("ftyp", {str("M4B "), zeros(4)});
  Bytes payload;
  std::vector<uint64_t> sampleOffsets;
  for (const Bytes& s : t.samples) {
    sampleOffsets.push_back(ftyp.size() + 8 + payload.size());
    append(payload, s);
  }
  Bytes stts = be32(uint32_t(t.stts.size()));
  for (auto [count, delta] : t.stts) append(stts, cat({be32(count), be32(delta)}));
  Bytes stsc = be32(uint32_t(t.stsc.size()));
  for (auto [first, perChunk] : t.stsc) append(stsc, cat({be32(first), be32(perChunk), be32(1)}));
  Bytes stsz = cat({be32(t.constantSize), be32(uint32_t(t.samples.size()))});
  if (t.constantSize == 0) {
    for (const Bytes& s : t.samples) append(stsz, be32(uint32_t(s.size())));
  }
  std::vector<uint64_t> chunkOffsets = t.offsetsOverride;
  if (chunkOffsets.empty()) {
    for (size_t start : t.chunkStarts) chunkOffsets.push_back(sampleOffsets.at(start));
  }
  Bytes offsets = be32(uint32_t(chunkOffsets.size()));
  for (uint64_t at : chunkOffsets) append(offsets, t.co64 ? be64(at) : be32(uint32_t(at)));
  Bytes stbl;
  if (t.omit != "stts") stbl = cat({stbl, fullBox("stts", 0, {stts})});
  if (t.omit != "stsc") stbl = cat({stbl, fullBox("stsc", 0, {stsc})});
  if (t.omit != "stsz") stbl = cat({stbl, fullBox("stsz", 0, {stsz})});
  if (t.shortStco) stbl = cat({stbl, box("stco", {zeros(4)})});
  if (t.omit != "offsets") stbl = cat({stbl, fullBox(t.co64 ? "co64" : "stco", 0, {offsets})});

  const Bytes soundTrak =
      box("trak", {fullBox("tkhd", 0, {zeros(8), be32(1), zeros(68)}),
                   box("tref", {box("chap", {be32(7)})}),
                   box("mdia", {fullBox("mdhd", 0, {zeros(8), be32(44100), be32(441000), zeros(4)}),
                                fullBox("hdlr", 0, {zeros(4), str("soun"), zeros(13)})})});
  const Bytes textTrak = box(
      "trak", {fullBox("tkhd", 0, {zeros(8), be32(7), zeros(68)}),
               box("mdia", {fullBox("mdhd", 0, {zeros(8), be32(t.timescale), be32(0), zeros(4)}),
                            fullBox("hdlr", 0, {zeros(4), str("text"), zeros(13)}),
                            box("minf", {box("stbl", {stbl})})})});
  return cat({ftyp, box("mdat", {payload}), box("moov", {soundTrak, textTrak, t.moovExtra})});
}

ChapterTrack threeChapters() {
  ChapterTrack t;
  t.samples = {chapterSample(str("One")), chapterSample(str("Two")), chapterSample(str("Three"))};
  t.stts = {{3, 1500}};
  t.stsc = {{1, 3}};
  return t;
}

}  // namespace

TEST(Mp4Fixtures, TaggedM4aGivesTitleArtistAndDuration) {
  const Bytes file = testsupport::readBytes(dataPath("tagged.m4a"));
  ASSERT_FALSE(file.empty());
  const TagInfo info = tagsOf(file);
  EXPECT_EQ(info.title, L"T\u00ebst T\u00edtle \u266a"s);
  EXPECT_EQ(info.artist, L"T\u00ebst \u00c4rtist"s);
  EXPECT_TRUE(info.chapters.empty());

  // One second of 22050 Hz audio, give or take the encoder's priming frames.
  uint64_t duration = 0;
  uint32_t timescale = 0;
  ASSERT_TRUE(readMp4AudioDuration(memoryBoxReader(file.data(), file.size()), duration, timescale));
  EXPECT_EQ(timescale, 22050u);
  EXPECT_GE(duration, 22050u);
  EXPECT_LT(duration, 22050u + 4096u);
}

TEST(Mp4Fixtures, BookWithBothChapterKindsYieldsTheChapterTrack) {
  // The fixture's Nero titles were upper-cased after encoding, so the two kinds differ.
  const TagInfo info = tagsOf(testsupport::readBytes(dataPath("chapters.m4b")));
  EXPECT_EQ(info.title, L"Book Title"s);
  EXPECT_EQ(info.artist, L"Book Author"s);
  EXPECT_EQ(startsOf(info), (std::vector<uint32_t>{0, 1250, 2500}));
  EXPECT_EQ(titlesOf(info),
            (std::vector<std::wstring>{L"Opening"s, L"Middle \u00dcn\u00efcode"s, L"Ending"s}));
}

TEST(Mp4Fixtures, NeroOnlyFileYieldsNeroChapters) {
  const TagInfo info = tagsOf(testsupport::readBytes(dataPath("nero.m4a")));
  EXPECT_EQ(startsOf(info), (std::vector<uint32_t>{0, 1250, 2500}));
  EXPECT_EQ(titlesOf(info),
            (std::vector<std::wstring>{L"Opening"s, L"Middle \u00dcn\u00efcode"s, L"Ending"s}));
}

TEST(Mp4Fixtures, FieldsAlreadySetAreKept) {
  const Bytes file = testsupport::readBytes(dataPath("chapters.m4b"));
  TagInfo info;
  info.title = L"From ID3"s;
  info.chapters.push_back({42, L"Earlier"s});
  readMp4Tags(memoryBoxReader(file.data(), file.size()), info);
  EXPECT_EQ(info.title, L"From ID3"s);
  EXPECT_EQ(info.artist, L"Book Author"s);
  ASSERT_EQ(info.chapters.size(), 1u);
  EXPECT_EQ(info.chapters[0].title, L"Earlier"s);
}

TEST(Mp4Fixtures, EveryTruncationGivesWholeFieldsOrNothing) {
  const Bytes file = testsupport::readBytes(dataPath("chapters.m4b"));
  ASSERT_FALSE(file.empty());
  for (size_t length = 0; length < file.size(); length += 7) {
    const TagInfo info = tagsOf(Bytes(file.begin(), file.begin() + length));
    EXPECT_TRUE(info.title.empty() || info.title == L"Book Title"s) << length;
    EXPECT_TRUE(info.artist.empty() || info.artist == L"Book Author"s) << length;
    uint64_t duration = 0;
    uint32_t timescale = 0;
    readMp4AudioDuration(memoryBoxReader(file.data(), length), duration, timescale);
  }
}

TEST(Mp4Boxes, FindBoxHandlesSizeForms) {
  // A 64-bit size, a plain box, then a box of size 0 that runs to the end of the range.
  const Bytes file = cat({be32(1), str("wide"), be64(16 + 4), str("abcd"), box("norm", {str("xy")}),
                          be32(0), str("last"), str("rest of range")});
  const BoxReader reader = memoryBoxReader(file.data(), file.size());
  BoxRange found{};
  ASSERT_TRUE(findBox(reader, 0, file.size(), 0x77696465 /* wide */, found));
  EXPECT_EQ(found.start, 16u);
  EXPECT_EQ(found.end, 20u);
  ASSERT_TRUE(findBox(reader, 0, file.size(), 0x6E6F726D /* norm */, found));
  EXPECT_EQ(found.end - found.start, 2u);
  ASSERT_TRUE(findBox(reader, 0, file.size(), 0x6C617374 /* last */, found));
  EXPECT_EQ(found.start, 38u);
  EXPECT_EQ(found.end, file.size());
  // The range, not the file, bounds a size-0 box.
  ASSERT_TRUE(findBox(reader, 30, file.size() - 3, 0x6C617374, found));
  EXPECT_EQ(found.end, file.size() - 3);
  // A range that claims more than the data holds is cut to the data.
  ASSERT_TRUE(findBox(reader, 30, UINT64_MAX, 0x6C617374, found));
  EXPECT_EQ(found.end, file.size());
}

TEST(Mp4Boxes, MalformedSizesEndTheSearch) {
  const Bytes target = box("goal");
  const std::vector<Bytes> brokenHeads = {
      cat({be32(4), str("tiny")}),                    // below the header size
      cat({be32(1000), str("huge")}),                 // past the range
      cat({be32(1), str("wid1"), be64(8)}),           // 64-bit size below 16
      cat({be32(1), str("wid2"), be64(1u << 20)}),    // 64-bit size past the range
      cat({be32(1), str("wid3"), be64(UINT64_MAX)}),  // would wrap around
  };
  for (const Bytes& head : brokenHeads) {
    const Bytes file = cat({head, target});
    BoxRange found{};
    EXPECT_FALSE(
        findBox(memoryBoxReader(file.data(), file.size()), 0, file.size(), 0x676F616C, found));
  }
  // A 64-bit header needs its 16 bytes within the range.
  const Bytes shortWide = cat({be32(1), str("goal"), be32(0)});
  BoxRange found{};
  EXPECT_FALSE(findBox(memoryBoxReader(shortWide.data(), shortWide.size()), 0, shortWide.size(),
                       0x676F616C, found));
}

TEST(Mp4Boxes, AtMost4096SiblingsAreExamined) {
  Bytes filler;
  for (int i = 0; i < 4095; ++i) append(filler, box("skip"));
  BoxRange found{};
  const Bytes within = cat({filler, box("goal")});
  EXPECT_TRUE(
      findBox(memoryBoxReader(within.data(), within.size()), 0, within.size(), 0x676F616C, found));
  const Bytes beyond = cat({filler, box("skip"), box("goal")});
  EXPECT_FALSE(
      findBox(memoryBoxReader(beyond.data(), beyond.size()), 0, beyond.size(), 0x676F616C, found));
}

TEST(Mp4Tags, UdtaMetaTitleWinsOverMoovMeta) {
  const Bytes file = fileWithMoov({
      meta(box("ilst", {item("\xA9nam", 1, str("Moov title")), item("\xA9"
                                                                    "ART",
                                                                    1, str("Moov artist"))}),
           /*quickTime=*/true),
      box("udta", {meta(box("ilst", {item("\xA9nam", 1, str("Udta title"))}))}),
  });
  const TagInfo info = tagsOf(file);
  EXPECT_EQ(info.title, L"Udta title"s);
  EXPECT_EQ(info.artist, L"Moov artist"s);
}

TEST(Mp4Tags, ItemDataTypesAndLimits) {
  Bytes bigEndian = utf16(u"Big \u00e9ndian", true);
  bigEndian.push_back('!');  // an odd last byte is ignored
  const Bytes file = fileWithMoov(
      {box("udta", {meta(box("ilst", {
                                         item("\xA9nam", 21, be32(5)),  // an integer: ignored
                                         item("\xA9nam", 2, bigEndian),
                                         item("\xA9"
                                              "ART",
                                              1, str(std::string("Cut\0here", 8))),
                                     }))})});
  const TagInfo info = tagsOf(file);
  EXPECT_EQ(info.title, L"Big \u00e9ndian"s);
  EXPECT_EQ(info.artist, L"Cut"s);

  // Too big, too short and absent data boxes leave the field for the next source.
  const Bytes bad =
      fileWithMoov({box("udta", {meta(box("ilst", {
                                                      item("\xA9nam", 1, Bytes(65536, 'x')),
                                                      box("\xA9"
                                                          "ART",
                                                          {box("data", {zeros(7)})}),
                                                      box("\xA9nam", {box("junk", {zeros(16)})}),
                                                  }))})});
  const TagInfo none = tagsOf(bad);
  EXPECT_TRUE(none.title.empty());
  EXPECT_TRUE(none.artist.empty());

  const Bytes atLimit = fileWithMoov({meta(box("ilst", {item("\xA9nam", 1, Bytes(65528, 'x'))}))});
  EXPECT_EQ(tagsOf(atLimit).title, std::wstring(512, L'x'));
}

TEST(Mp4Tags, LongTextsAreCutWithoutSplittingAPair) {
  std::u16string text(511, u'a');
  text += u"\U0001F3B5";  // the pair would straddle the 512-character cut
  const Bytes file = fileWithMoov({meta(box("ilst", {item("\xA9nam", 2, utf16(text, true))}))});
  EXPECT_EQ(tagsOf(file).title, std::wstring(511, L'a'));
}

TEST(Mp4Chapters, SampleTextEncodings) {
  ChapterTrack t = threeChapters();
  t.samples = {
      chapterSample(cat({Bytes{0xFE, 0xFF}, utf16(u"Gro\u00df", true)})),
      chapterSample(cat({Bytes{0xFF, 0xFE}, utf16(u"Kle\u00efn", false)})),
      chapterSample(str("Pl\xC3\xA4in")),
  };
  const TagInfo info = tagsOf(chapterFile(t));
  EXPECT_EQ(startsOf(info), (std::vector<uint32_t>{0, 1500, 3000}));
  EXPECT_EQ(titlesOf(info),
            (std::vector<std::wstring>{L"Gro\u00df"s, L"Kle\u00efn"s, L"Pl\u00e4in"s}));
}

TEST(Mp4Chapters, TextLengthIsLimitedToTheSample) {
  ChapterTrack t = threeChapters();
  // Declared lengths longer than the sample, a sample too small for any text, and a
  // trailing box after the text as encoders write it.
  t.samples = {cat({be16(500), str("Short")}), Bytes{0},
               cat({be16(4), str("Text"), box("encd", {be32(0x100)})})};
  const TagInfo info = tagsOf(chapterFile(t));
  EXPECT_EQ(titlesOf(info), (std::vector<std::wstring>{L"Short"s, L""s, L"Text"s}));
}

TEST(Mp4Chapters, ChunksFollowTheLastMatchingStscEntry) {
  ChapterTrack t;
  for (int i = 0; i < 6; ++i)
    t.samples.push_back(chapterSample(str(std::string(1, char('A' + i)))));
  t.stts = {{2, 1000}, {4, 500}};
  t.stsc = {{1, 2}, {3, 1}};  // chunks 1 and 2 hold two samples, every later chunk one
  t.chunkStarts = {0, 2, 4, 5};
  t.co64 = true;
  t.timescale = 2000;
  const TagInfo info = tagsOf(chapterFile(t));
  EXPECT_EQ(startsOf(info), (std::vector<uint32_t>{0, 500, 1000, 1250, 1500, 1750}));
  EXPECT_EQ(titlesOf(info), (std::vector<std::wstring>{L"A"s, L"B"s, L"C"s, L"D"s, L"E"s, L"F"s}));
}

TEST(Mp4Chapters, ChunkOffsetTableFallbacks) {
  ChapterTrack t = threeChapters();
  t.co64 = true;
  t.shortStco = true;  // an unusable stco gives way to co64
  EXPECT_EQ(tagsOf(chapterFile(t)).chapters.size(), 3u);

  t.omit = "offsets";  // no chunk offsets at all: no chapter track
  EXPECT_TRUE(tagsOf(chapterFile(t)).chapters.empty());
}

TEST(Mp4Chapters, BrokenChapterTrackFallsBackToNero) {
  for (const char* table : {"stts", "stsc", "stsz"}) {
    ChapterTrack t = threeChapters();
    t.omit = table;
    t.moovExtra = box("udta", {neroChapters(1, {{0, "Nero"}})});
    EXPECT_EQ(titlesOf(tagsOf(chapterFile(t))), (std::vector<std::wstring>{L"Nero"s})) << table;
  }
  ChapterTrack zeroScale = threeChapters();
  zeroScale.timescale = 0;
  zeroScale.moovExtra = box("udta", {neroChapters(0, {{0, "Nero"}})});
  EXPECT_EQ(titlesOf(tagsOf(chapterFile(zeroScale))), (std::vector<std::wstring>{L"Nero"s}));

  ChapterTrack both = threeChapters();
  both.moovExtra = box("udta", {neroChapters(1, {{0, "Nero"}})});
  EXPECT_EQ(tagsOf(chapterFile(both)).chapters.size(), 3u);
}

TEST(Mp4Chapters, UnreadableSamplesGiveUntitledChapters) {
  ChapterTrack t = threeChapters();
  t.co64 = true;
  t.offsetsOverride = {UINT64_MAX - 3};  // and no wrap-around when stepping past it
  const TagInfo info = tagsOf(chapterFile(t));
  EXPECT_EQ(startsOf(info), (std::vector<uint32_t>{0, 1500, 3000}));
  EXPECT_EQ(titlesOf(info), (std::vector<std::wstring>{L""s, L""s, L""s}));
}

TEST(Mp4Chapters, StartsStopAt32BitMilliseconds) {
  ChapterTrack t = threeChapters();
  t.timescale = 1;
  t.stts = {{1, 4294967}, {2, 1}};  // 4294967000 ms fits, 4294968000 ms does not
  const TagInfo info = tagsOf(chapterFile(t));
  EXPECT_EQ(startsOf(info), (std::vector<uint32_t>{0, 4294967000u}));
}

TEST(Mp4Chapters, AtMost1000Samples) {
  ChapterTrack t;
  t.samples.assign(5000, Bytes{0, 0});
  t.constantSize = 2;
  t.stts = {{5000, 1}};
  t.stsc = {{1, 5000}};
  const TagInfo info = tagsOf(chapterFile(t));
  ASSERT_EQ(info.chapters.size(), 1000u);
  EXPECT_EQ(info.chapters.back().startMs, 999u);
}

TEST(Mp4Chapters, NeroVersionsSkipTooLateStarts) {
  const uint64_t limit = 0x271000000000ull;  // 2^32 ms in 100-ns units
  for (uint8_t version : {0, 1}) {
    const Bytes file = fileWithMoov({box("udta", {neroChapters(version, {{0, "Start"},
                                                                         {limit, "Too late"},
                                                                         {limit - 1, "Last ms"},
                                                                         {25000000, "Mid"}})})});
    const TagInfo info = tagsOf(file);
    EXPECT_EQ(startsOf(info), (std::vector<uint32_t>{0, 2500, 4294967295u})) << int(version);
    EXPECT_EQ(titlesOf(info), (std::vector<std::wstring>{L"Start"s, L"Mid"s, L"Last ms"s}));
  }
}

TEST(Mp4Chapters, NeroEntriesEndWithTheCountOrTheContent) {
  // Five declared, two and a half present.
  Bytes chpl = neroChapters(1, {{0, "A"}, {10000, "B"}, {20000, "Cut"}}, 5);
  chpl.resize(chpl.size() - 2);
  chpl[3] = uint8_t(chpl.size());
  EXPECT_EQ(titlesOf(tagsOf(fileWithMoov({box("udta", {chpl})}))),
            (std::vector<std::wstring>{L"A"s, L"B"s}));
  // Fewer declared than present.
  EXPECT_EQ(tagsOf(fileWithMoov({box("udta", {neroChapters(0, {{0, "A"}, {1, "B"}}, 1)})}))
                .chapters.size(),
            1u);
  // Too short to hold a count.
  EXPECT_TRUE(
      tagsOf(fileWithMoov({box("udta", {fullBox("chpl", 1, {zeros(4)})})})).chapters.empty());
}

TEST(Mp4Chapters, SortedStablyByStart) {
  const Bytes file = fileWithMoov(
      {box("udta",
           {neroChapters(1, {{20000000, "B"}, {0, "A"}, {20000000, "C"}, {10000000, "Middle"}})})});
  const TagInfo info = tagsOf(file);
  EXPECT_EQ(startsOf(info), (std::vector<uint32_t>{0, 1000, 2000, 2000}));
  EXPECT_EQ(titlesOf(info), (std::vector<std::wstring>{L"A"s, L"Middle"s, L"B"s, L"C"s}));
}

namespace {

Bytes soundTrak(uint8_t version, uint32_t timescale, uint64_t duration,
                const char* handler = "soun") {
  const Bytes mdhd =
      version == 1
          ? fullBox("mdhd", 1, {zeros(16), be32(timescale), be64(duration), zeros(4)})
          : fullBox("mdhd", 0, {zeros(8), be32(timescale), be32(uint32_t(duration)), zeros(4)});
  return box("trak",
             {box("mdia", {mdhd, fullBox("hdlr", 0, {zeros(4), str(handler), zeros(13)})})});
}

bool durationOf(const Bytes& file, uint64_t& duration, uint32_t& timescale) {
  return readMp4AudioDuration(memoryBoxReader(file.data(), file.size()), duration, timescale);
}

}  // namespace

TEST(Mp4Duration, Version0And1) {
  uint64_t duration = 0;
  uint32_t timescale = 0;
  ASSERT_TRUE(durationOf(fileWithMoov({soundTrak(0, 44100, 123456)}), duration, timescale));
  EXPECT_EQ(duration, 123456u);
  EXPECT_EQ(timescale, 44100u);
  ASSERT_TRUE(durationOf(fileWithMoov({soundTrak(1, 48000, 0x123456789ull)}), duration, timescale));
  EXPECT_EQ(duration, 0x123456789ull);
  EXPECT_EQ(timescale, 48000u);
}

TEST(Mp4Duration, InvalidValuesAndOnlyTheFirstSoundTrack) {
  const std::vector<Bytes> invalid = {
      fileWithMoov({soundTrak(0, 0, 1000)}),
      fileWithMoov({soundTrak(0, 44100, 0)}),
      fileWithMoov({soundTrak(0, 44100, 0xFFFFFFFF)}),
      fileWithMoov({soundTrak(1, 44100, UINT64_MAX)}),
      // Version 1 needs 32 bytes of content.
      fileWithMoov({box("trak", {box("mdia", {fullBox("mdhd", 1, {zeros(16), be32(44100)}),
                                              fullBox("hdlr", 0, {zeros(4), str("soun")})})})}),
      // The first sound track decides even when a later one is fine.
      fileWithMoov({soundTrak(0, 44100, 0), soundTrak(0, 44100, 1000)}),
      fileWithMoov({soundTrak(0, 44100, 1000, "vide")}),
      fileWithMoov({}),
  };
  for (size_t i = 0; i < invalid.size(); ++i) {
    uint64_t duration = 7;
    uint32_t timescale = 7;
    EXPECT_FALSE(durationOf(invalid[i], duration, timescale)) << i;
    EXPECT_EQ(duration, 7u);
    EXPECT_EQ(timescale, 7u);
  }
  // Other tracks before the sound track are passed over; 2^32 - 2 is a real duration in v1.
  uint64_t duration = 0;
  uint32_t timescale = 0;
  ASSERT_TRUE(
      durationOf(fileWithMoov({soundTrak(0, 600, 5, "text"), soundTrak(1, 8000, 0xFFFFFFFEull)}),
                 duration, timescale));
  EXPECT_EQ(duration, 0xFFFFFFFEull);
  EXPECT_EQ(timescale, 8000u);
}

TEST(Mp4Reader, FailingReadsKeepWhatWasFound) {
  // A reader whose device fails for the mdat region: the tags come, the chapter texts don't.
  struct Failing {
    const Bytes* file;
    uint64_t badFrom, badTo;
  };
  ChapterTrack t = threeChapters();
  t.moovExtra = box("udta", {meta(box("ilst", {item("\xA9nam", 1, str("Title"))}))});
  const Bytes file = chapterFile(t);
  Failing failing{&file, 24, 24 + 17};  // the three samples
  BoxReader reader{[](void* user, uint64_t offset, void* dest, size_t length) {
                     auto* f = static_cast<Failing*>(user);
                     if (offset < f->badTo && offset + length > f->badFrom) return false;
                     std::copy(f->file->begin() + offset, f->file->begin() + offset + length,
                               static_cast<uint8_t*>(dest));
                     return true;
                   },
                   &failing, file.size()};
  TagInfo info;
  readMp4Tags(reader, info);
  EXPECT_EQ(info.title, L"Title"s);
  EXPECT_EQ(startsOf(info), (std::vector<uint32_t>{0, 1500, 3000}));
  EXPECT_EQ(titlesOf(info), (std::vector<std::wstring>{L""s, L""s, L""s}));
}
