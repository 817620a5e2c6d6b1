#include "library/tags.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "base/code_page.h"
#include "tests/support/bytes.h"

namespace {

using namespace testbytes;

Bytes frame(int version, std::string_view id, const Bytes& body, uint8_t flags2 = 0) {
  Bytes out = bytes(id);
  if (version == 2) {
    const uint32_t n = uint32_t(body.size());
    out += Bytes{uint8_t(n >> 16), uint8_t(n >> 8), uint8_t(n)};
  } else {
    out += version == 3 ? be32(uint32_t(body.size())) : syncsafe(uint32_t(body.size()));
    out += Bytes{0, flags2};
  }
  return out + body;
}

Bytes latin1(std::string_view s) { return Bytes{0} + bytes(s); }

Bytes id3Tag(int version, const Bytes& body, uint8_t flags = 0) {
  Bytes out = bytes("ID3") + Bytes{uint8_t(version), 0, flags};
  return out + syncsafe(uint32_t(body.size())) + body;
}

Bytes chap(std::string_view id, uint32_t startMs, const Bytes& subframes = {}) {
  return bytes(id) + Bytes{0} + be32(startMs) + be32(startMs + 1000) + be32(~0u) + be32(~0u) +
         subframes;
}

Bytes titledChap(int version, std::string_view id, uint32_t startMs, std::string_view title) {
  return frame(version, "CHAP", chap(id, startMs, frame(version, "TIT2", latin1(title))));
}

Bytes ctoc(std::string_view id, uint8_t flags, const std::vector<std::string>& children) {
  Bytes out = bytes(id) + Bytes{0, flags, uint8_t(children.size())};
  for (const auto& c : children) out += bytes(c) + Bytes{0};
  return out;
}

Bytes id3v1(std::string_view title, std::string_view artist) {
  Bytes out = bytes("TAG");
  Bytes t = bytes(title), a = bytes(artist);
  t.resize(30);
  a.resize(30);
  out += t + a;
  out.resize(128);
  return out;
}

TagInfo parse(const Bytes& buffer, const Bytes& tail = {}, uint32_t codepage = 0) {
  return parseTags(buffer.data(), buffer.size(), tail.empty() ? nullptr : tail.data(), tail.size(),
                   codepage);
}

std::vector<std::wstring> chapterTitles(const TagInfo& info) {
  std::vector<std::wstring> out;
  for (const auto& c : info.chapters) out.push_back(c.title);
  return out;
}

std::vector<uint32_t> chapterStarts(const TagInfo& info) {
  std::vector<uint32_t> out;
  for (const auto& c : info.chapters) out.push_back(c.startMs);
  return out;
}

Bytes vorbisBlock(const std::vector<std::string>& comments, bool last = true) {
  Bytes body = le32(6) + bytes("vendor") + le32(uint32_t(comments.size()));
  for (const auto& c : comments) body += le32(uint32_t(c.size())) + bytes(c);
  const uint32_t n = uint32_t(body.size());
  return Bytes{uint8_t((last ? 0x80 : 0) | 4), uint8_t(n >> 16), uint8_t(n >> 8), uint8_t(n)} +
         body;
}

Bytes flacBlock(uint8_t type, size_t size, bool last = false) {
  Bytes out(4 + size, 0xAB);
  out[0] = uint8_t((last ? 0x80 : 0) | type);
  out[1] = uint8_t(size >> 16);
  out[2] = uint8_t(size >> 8);
  out[3] = uint8_t(size);
  return out;
}

Bytes riffChunk(std::string_view id, const Bytes& data) {
  Bytes out = bytes(id) + le32(uint32_t(data.size())) + data;
  if (data.size() & 1) out.push_back(0);
  return out;
}

Bytes wave(const Bytes& chunks) {
  return bytes("RIFF") + le32(uint32_t(4 + chunks.size())) + bytes("WAVE") + chunks;
}

TEST(Id3v2, UnsynchronisedTagFallsBackToId3v1AndStillCoversItsLength) {
  const Bytes tag = id3Tag(3, frame(3, "TIT2", latin1("From the tag")), 0x80);
  // The unparsed tag's length still tells where a FLAC stream begins.
  const Bytes file = tag + bytes("fLaC") + vorbisBlock({"ARTIST=Flac Artist"});
  const TagInfo info = parse(file, id3v1("From ID3v1", ""));
  EXPECT_EQ(info.title, L"From ID3v1");
  EXPECT_EQ(info.artist, L"Flac Artist");
  EXPECT_FALSE(info.drm);
}

TEST(Id3v2, FirstTitleFrameWinsEvenWhenItCleansToNothing) {
  const Bytes two =
      id3Tag(3, frame(3, "TIT2", latin1("First")) + frame(3, "TIT2", latin1("Second")));
  EXPECT_EQ(parse(two).title, L"First");

  const Bytes blankFirst =
      id3Tag(3, frame(3, "TIT2", latin1(" \t\x01 ")) + frame(3, "TIT2", latin1("Second")));
  EXPECT_EQ(parse(blankFirst, id3v1("Old title", "")).title, L"Old title");
  EXPECT_EQ(parse(blankFirst).title, L"");
}

TEST(Id3v2, Version4SizeByteWithHighBitEndsFrameParsing) {
  Bytes body = frame(4, "TIT2", latin1("Kept"));
  Bytes bad = frame(4, "TXXX", latin1("x"));
  bad[4 + 3] = 0x80;  // last size byte
  body += bad + frame(4, "TPE1", latin1("Lost"));
  const TagInfo info = parse(id3Tag(4, body));
  EXPECT_EQ(info.title, L"Kept");
  EXPECT_EQ(info.artist, L"");
}

TEST(Id3v2, Utf16ByteOrderFollowsMarkOrEncoding) {
  auto title = [](const Bytes& frameBody) {
    return parse(id3Tag(3, frame(3, "TIT2", frameBody))).title;
  };
  EXPECT_EQ(title(Bytes{1, 'H', 0, 'i', 0}), L"Hi");              // no mark: little-endian
  EXPECT_EQ(title(Bytes{2, 0, 'H', 0, 'i'}), L"Hi");              // encoding 2: big-endian
  EXPECT_EQ(title(Bytes{1, 0xFE, 0xFF, 0, 'H', 0, 'i'}), L"Hi");  // mark wins
  EXPECT_EQ(title(Bytes{2, 0xFF, 0xFE, 'H', 0, 'i', 0}), L"Hi");
  EXPECT_EQ(title(Bytes{1, 0xFF, 0xFE, 0x16, 0x04, 'x', 0, 0, 0, 'y', 0}), L"\x0416x");  // NUL ends
  EXPECT_EQ(title(Bytes{1, 'A', 0, 'B'}), L"A");  // a half code unit is dropped
  EXPECT_EQ(title(Bytes{3, 0xC3, 0x9C, 'b', 0, 'z'}),
            L"\x00DC"
            L"b");
  EXPECT_EQ(title(Bytes{7, 'a', 'b'}), L"");
  EXPECT_EQ(title(Bytes{}), L"");

  Bytes longText{1};
  for (int i = 0; i < 600; ++i) longText += Bytes{'a', 0};
  EXPECT_EQ(title(longText), std::wstring(512, L'a'));
}

TEST(Id3v2, Version22AndExtendedHeaders) {
  const Bytes v22 = id3Tag(2, frame(2, "TT2", latin1("Two")) + frame(2, "TP1", latin1("Artist")));
  EXPECT_EQ(parse(v22).title, L"Two");
  EXPECT_EQ(parse(v22).artist, L"Artist");
  // Version 2.2 with the compression flag cannot be read.
  EXPECT_EQ(parse(id3Tag(2, frame(2, "TT2", latin1("Two")), 0x40)).title, L"");

  const Bytes frames = frame(3, "TIT2", latin1("Three"));
  // 2.3: a size that leaves out its own four bytes, here 6 bytes of flags and padding size.
  const Bytes ext3 = be32(6) + Bytes{0, 0, 0, 0, 0, 0};
  EXPECT_EQ(parse(id3Tag(3, ext3 + frames, 0x40)).title, L"Three");
  EXPECT_EQ(parse(id3Tag(3, be32(0x1000) + Bytes(6) + frames, 0x40)).title, L"");

  const Bytes frames4 = frame(4, "TIT2", latin1("Four"));
  // 2.4: a syncsafe size that includes itself.
  const Bytes ext4 = syncsafe(6) + Bytes{1, 0};
  EXPECT_EQ(parse(id3Tag(4, ext4 + frames4, 0x40)).title, L"Four");
  EXPECT_EQ(parse(id3Tag(4, syncsafe(5) + Bytes{1, 0} + frames4, 0x40)).title, L"");
  EXPECT_EQ(parse(id3Tag(4, Bytes{0, 0, 0, 0x86, 1, 0} + frames4, 0x40)).title, L"");
  EXPECT_EQ(parse(id3Tag(4, Bytes{0, 0}, 0x40)).title, L"");
}

TEST(Id3v2, UnreadableFramesAreSkippedAndTheWalkGoesOn) {
  const Bytes v3 = frame(3, "TIT2", latin1("Compressed"), 0x80) +
                   frame(3, "TIT2", latin1("Plain")) + frame(3, "TPE1", latin1("Grouped"), 0x20);
  EXPECT_EQ(parse(id3Tag(3, v3)).title, L"Plain");
  EXPECT_EQ(parse(id3Tag(3, v3)).artist, L"");

  for (uint8_t flag : {0x40, 0x08, 0x04, 0x02, 0x01}) {
    const Bytes v4 = frame(4, "TIT2", latin1("Flagged"), flag) + frame(4, "TIT2", latin1("Plain"));
    EXPECT_EQ(parse(id3Tag(4, v4)).title, L"Plain") << int(flag);
  }
  // Status flags (the first flag byte) do not matter.
  Bytes v4 = frame(4, "TIT2", latin1("Status"));
  v4[8] = 0x60;
  EXPECT_EQ(parse(id3Tag(4, v4)).title, L"Status");
}

TEST(Id3v2, FooterAndPaddingBoundTheTag) {
  Bytes footerTag = id3Tag(4, frame(4, "TIT2", latin1("Footer")), 0x10);
  const Bytes footer = bytes("3DI") + Bytes{4, 0, 0x10} + syncsafe(uint32_t(footerTag.size() - 10));
  const Bytes file = footerTag + footer + bytes("fLaC") + vorbisBlock({"ARTIST=After footer"});
  const TagInfo info = parse(file);
  EXPECT_EQ(info.title, L"Footer");
  EXPECT_EQ(info.artist, L"After footer");

  const Bytes padded = id3Tag(3, frame(3, "TIT2", latin1("Padded")) + Bytes(20) +
                                     frame(3, "TPE1", latin1("After padding")));
  EXPECT_EQ(parse(padded).title, L"Padded");
  EXPECT_EQ(parse(padded).artist, L"");
}

TEST(Id3v2Chapters, OutOfOrderChaptersComeBackSortedAndEqualStartsKeepFrameOrder) {
  const Bytes body = titledChap(3, "c1", 5000, "Third") + titledChap(3, "c2", 0, "First") +
                     titledChap(3, "c3", 2000, "Second A") + titledChap(3, "c4", 2000, "Second B");
  const TagInfo info = parse(id3Tag(3, body));
  EXPECT_EQ(chapterStarts(info), (std::vector<uint32_t>{0, 2000, 2000, 5000}));
  EXPECT_EQ(chapterTitles(info),
            (std::vector<std::wstring>{L"First", L"Second A", L"Second B", L"Third"}));
}

TEST(Id3v2Chapters, TopLevelTableGivesOrderAndDropsUnnamedChapters) {
  const Bytes chaps = titledChap(4, "a", 1000, "A") + titledChap(4, "b", 1000, "B") +
                      titledChap(4, "c", 0, "C") + titledChap(4, "orphan", 0, "Orphan");
  // A nested table is ignored; the later top-level one is taken, and a third one is not.
  const Bytes tables = frame(4, "CTOC", ctoc("sub", 0x01, {"a"})) +
                       frame(4, "CTOC", ctoc("toc", 0x03, {"b", "", "a", "c", "missing"})) +
                       frame(4, "CTOC", ctoc("toc2", 0x03, {"orphan"}));
  const TagInfo info = parse(id3Tag(4, tables + chaps));
  EXPECT_EQ(chapterTitles(info), (std::vector<std::wstring>{L"C", L"B", L"A"}));

  // A child named twice takes two chapters with that id, in frame order.
  const Bytes dup = titledChap(3, "x", 10, "X1") + titledChap(3, "x", 20, "X2") +
                    frame(3, "CTOC", ctoc("toc", 0x02, {"x", "x", "x"}));
  EXPECT_EQ(chapterTitles(parse(id3Tag(3, dup))), (std::vector<std::wstring>{L"X1", L"X2"}));
}

TEST(Id3v2Chapters, ChapterTitlesAndBrokenFrames) {
  // The first sub-frame title that is not blank names the chapter.
  const Bytes subframes = frame(3, "TIT2", latin1("  ")) + frame(3, "TIT3", latin1("Sub")) +
                          frame(3, "TIT2", latin1("Named")) + frame(3, "TIT2", latin1("Later"));
  Bytes body = frame(3, "CHAP", chap("n", 0, subframes));
  body += frame(3, "CHAP", chap("untitled", 100));
  body += frame(3, "CHAP", bytes("no-nul"));                        // ignored
  body += frame(3, "CHAP", bytes("short") + Bytes{0} + Bytes(15));  // ignored
  const TagInfo info = parse(id3Tag(3, body));
  EXPECT_EQ(chapterTitles(info), (std::vector<std::wstring>{L"Named", L""}));

  // Version 2.2 has no chapters.
  EXPECT_TRUE(parse(id3Tag(2, frame(2, "CHA", chap("x", 0)))).chapters.empty());
}

TEST(Id3v2Chapters, AtMostAThousandChapFrames) {
  Bytes body;
  for (uint32_t i = 0; i < 1005; ++i) body += frame(3, "CHAP", chap(std::to_string(i), 1005 - i));
  const TagInfo info = parse(id3Tag(3, body));
  ASSERT_EQ(info.chapters.size(), 1000u);
  EXPECT_EQ(info.chapters.front().startMs, 6u);  // the last five frames were never taken
}

TEST(LegacyText, AutomaticCodePageAndUtf8Detection) {
  auto decode = [](std::string_view s, uint32_t cp = 0) {
    return decodeLegacyText(reinterpret_cast<const uint8_t*>(s.data()), s.size(), cp);
  };
  // "Кино - Группа крови" in code page 1251: few ASCII letters.
  EXPECT_EQ(decode("\xCA\xE8\xED\xEE - \xC3\xF0\xF3\xEF\xEF\xE0 \xEA\xF0\xEE\xE2\xE8"),
            L"\x041A\x0438\x043D\x043E - \x0413\x0440\x0443\x043F\x043F\x0430 "
            L"\x043A\x0440\x043E\x0432\x0438");
  EXPECT_EQ(decode("abc\xE9"), L"abc\x00E9");          // 0xE9 starts an incomplete UTF-8 sequence
  EXPECT_EQ(decode("ab\xE9\xE9"), L"ab\x00E9\x00E9");  // a tie is Western
  EXPECT_EQ(decode("Caf\xC3\xA9"), L"Caf\x00E9");
  EXPECT_EQ(decode("Caf\xC3\xA9", 1251), L"Caf\x00E9");  // valid UTF-8 whatever the code page
  EXPECT_EQ(decode("abc\xE9", 1251), L"abc\x0439");
  EXPECT_EQ(decode(std::string_view("ab\0cd", 5)), L"ab");
  EXPECT_EQ(decode(""), L"");
  EXPECT_EQ(decodeLegacyText(nullptr, 10, 0), L"");
  EXPECT_EQ(decode(std::string(3000, 'x')), std::wstring(2048, L'x'));
  EXPECT_EQ(decode("plain", 0xFFFF), L"");  // a code page that cannot convert gives nothing
}

TEST(CleanTagText, ControlsTrimAndLimit) {
  EXPECT_EQ(cleanTagText(L"  a\tb\x7F"
                         L"c\r\n "),
            L"a b c");
  EXPECT_EQ(cleanTagText(L"\x01\x02"), L"");
  EXPECT_EQ(cleanTagText(L"\x00A0x\x00A0"), L"\x00A0x\x00A0");  // only plain spaces are trimmed
  // 600 characters: the cut at 512 comes first, so the spaces at 500..511 are trimmed and
  // the letters after them are gone.
  const std::wstring text =
      std::wstring(500, L'x') + std::wstring(20, L' ') + std::wstring(80, L'y');
  EXPECT_EQ(cleanTagText(text), std::wstring(500, L'x'));
  EXPECT_EQ(cleanTagText(L"   " + std::wstring(600, L'z')), std::wstring(509, L'z'));
}

TEST(Riff, InfoChunksWithOddSizesAndPadding) {
  const Bytes info = bytes("INFO") + riffChunk("ICMT", bytes("odd")) +
                     riffChunk("INAM", bytes("Wav Title")) +
                     riffChunk("IART", bytes("Odd Artist")) + riffChunk("INAM", bytes("Second"));
  const Bytes file = wave(riffChunk("fmt ", Bytes(16)) + riffChunk("junk", Bytes(3)) +
                          riffChunk("LIST", info) + riffChunk("data", Bytes(100)));
  const TagInfo tags = parse(file);
  EXPECT_EQ(tags.title, L"Wav Title");
  EXPECT_EQ(tags.artist, L"Odd Artist");

  // A LIST that is not INFO, or a WAVE without RIFF, gives nothing.
  EXPECT_EQ(parse(wave(riffChunk("LIST", bytes("adtl") + riffChunk("INAM", bytes("No"))))).title,
            L"");
  Bytes notRiff = file;
  notRiff[0] = 'X';
  EXPECT_EQ(parse(notRiff).title, L"");
}

TEST(Riff, Id3ChunkWinsOverInfo) {
  const Bytes info = bytes("INFO") + riffChunk("INAM", bytes("Info Title")) +
                     riffChunk("IART", bytes("Info Artist"));
  const Bytes id3 =
      id3Tag(3, frame(3, "TIT2", latin1("Id3 Title")) +
                    frame(3, "CHAP", chap("c", 0, frame(3, "TIT2", latin1("Chapter")))));
  for (const char* id : {"id3 ", "ID3 "}) {
    const TagInfo tags = parse(wave(riffChunk("LIST", info) + riffChunk(id, id3)));
    EXPECT_EQ(tags.title, L"Id3 Title");
    EXPECT_EQ(tags.artist, L"Info Artist");
    EXPECT_TRUE(tags.chapters.empty());  // chapters of an embedded tag are not used
  }
}

TEST(Riff, TruncatedChunksKeepWhatFits) {
  const Bytes info =
      bytes("INFO") + riffChunk("IART", bytes("Artist")) + riffChunk("INAM", bytes("Cut title"));
  Bytes file = wave(riffChunk("LIST", info));
  file.resize(file.size() - 4);  // INAM no longer fits: the sub-chunk walk ends there
  const TagInfo tags = parse(file);
  EXPECT_EQ(tags.artist, L"Artist");
  EXPECT_EQ(tags.title, L"");

  // A chunk size past the end stops the walk after that chunk.
  Bytes huge = wave(bytes("data") + le32(0xFFFFFFF0) + Bytes(10));
  EXPECT_EQ(parse(huge).title, L"");
}

TEST(Flac, VorbisCommentAfterOtherBlocksAndAnId3Tag) {
  const Bytes comments = vorbisBlock({"no equals sign", "title=Lower Key", "TITLE=Second",
                                      "Artist=Mixed Case", std::string("ALBUM=x")});
  const Bytes file = id3Tag(3, frame(3, "TPE1", latin1("Id3 Artist"))) + bytes("fLaC") +
                     flacBlock(0, 34) + flacBlock(6, 300) + comments;
  const TagInfo info = parse(file);
  EXPECT_EQ(info.title, L"Lower Key");
  EXPECT_EQ(info.artist, L"Id3 Artist");  // the ID3v2 tag came first

  // UTF-8 values, cut at a NUL.
  const Bytes utf8 = bytes("fLaC") + vorbisBlock({std::string("TITLE=\xC3\x9C"
                                                              "ber\0tail",
                                                              16)});
  EXPECT_EQ(parse(utf8).title,
            L"\x00DC"
            L"ber");
}

TEST(Flac, WalkStopsAtLastBlockAndAtBlocksThatDoNotFit) {
  // A last block before the comments ends the walk.
  EXPECT_EQ(parse(bytes("fLaC") + flacBlock(0, 34, true) + vorbisBlock({"TITLE=x"})).title, L"");
  // A block claiming more than remains ends the walk.
  Bytes cut = bytes("fLaC") + flacBlock(6, 40) + vorbisBlock({"TITLE=x"});
  cut.resize(30);
  EXPECT_EQ(parse(cut).title, L"");
  // Comment lengths past the block end stop the comment walk, keeping earlier ones.
  Bytes body = le32(0) + le32(3) + le32(7) + bytes("TITLE=t") + le32(1000) + bytes("ARTIST=a");
  const uint32_t n = uint32_t(body.size());
  const Bytes block = Bytes{0x84, uint8_t(n >> 16), uint8_t(n >> 8), uint8_t(n)} + body;
  const TagInfo info = parse(bytes("fLaC") + block);
  EXPECT_EQ(info.title, L"t");
  EXPECT_EQ(info.artist, L"");
}

TEST(Id3v1, TailHoldsTheLast128Bytes) {
  Bytes tail = Bytes(50, 'z') + id3v1("Tail Title", "Tail Artist");
  TagInfo info = parseTags(nullptr, 123, tail.data(), tail.size(), 0);
  EXPECT_EQ(info.title, L"Tail Title");
  EXPECT_EQ(info.artist, L"Tail Artist");
  tail.erase(tail.begin(), tail.begin() + 51);  // 127 bytes: too short
  EXPECT_EQ(parseTags(nullptr, 0, tail.data(), tail.size(), 0).title, L"");
  // 30 full bytes of title, no NUL, in code page 1251.
  const TagInfo cyr = parse({}, id3v1(std::string(30, '\xC0'), "\xC1"), 1251);
  EXPECT_EQ(cyr.title, std::wstring(30, L'\x0410'));
  EXPECT_EQ(cyr.artist, L"\x0411");
}

TEST(ParseTags, TruncatedImagesNeverReadPastTheirEnd) {
  // Every prefix of a rich image parses without reading out of bounds (checked by ASan).
  const Bytes chaps = frame(4, "CTOC", ctoc("toc", 0x03, {"a", "b"})) + titledChap(4, "a", 5, "A") +
                      titledChap(4, "b", 1, "B");
  const Bytes id3 = id3Tag(4, frame(4, "TIT2", Bytes{1, 0xFF, 0xFE, 'x', 0}) + chaps);
  const Bytes flac = id3 + bytes("fLaC") + flacBlock(0, 34) + vorbisBlock({"TITLE=t", "ARTIST=a"});
  const Bytes riff = wave(riffChunk("LIST", bytes("INFO") + riffChunk("INAM", bytes("n"))) +
                          riffChunk("id3 ", id3));
  for (const Bytes* image : {&flac, &riff}) {
    for (size_t n = 0; n <= image->size(); ++n) {
      const Bytes prefix(image->begin(), image->begin() + n);
      const TagInfo info = parse(prefix, prefix);
      EXPECT_LE(info.chapters.size(), 2u);
    }
  }
  const TagInfo whole = parse(flac);
  EXPECT_EQ(whole.title, L"x");
  EXPECT_EQ(chapterTitles(whole), (std::vector<std::wstring>{L"B", L"A"}));
}

TEST(CodePage, ConversionsAgreeWithThePlatform) {
  // Run natively against the stand-in tables and under Windows against the system's.
  std::wstring out;
  const uint8_t western[] = {'A', 0x80, 0x81, 0xE9, 0xFF};
  ASSERT_TRUE(convertCodePage(1252, western, sizeof western, out));
  EXPECT_EQ(out, L"A\x20AC\x0081\x00E9\x00FF");
  const uint8_t cyrillic[] = {'A', 0x80, 0xA5, 0xB9, 0xC0, 0xFF};
  ASSERT_TRUE(convertCodePage(1251, cyrillic, sizeof cyrillic, out));
  EXPECT_EQ(out, L"A\x0402\x0490\x2116\x0410\x044F");
  const uint8_t utf8[] = {0xF0, 0x9F, 0x8E, 0xB5, 'x'};
  ASSERT_TRUE(convertCodePage(kCodePageUtf8, utf8, sizeof utf8, out));
  EXPECT_EQ(out, L"\xD83C\xDFB5x");
  EXPECT_TRUE(convertCodePage(1252, utf8, 0, out));
  EXPECT_EQ(out, L"");
}

}  // namespace
