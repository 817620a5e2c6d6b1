#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "base/scoped_win.h"
#include "base/text.h"
#include "library/tag_window.h"
#include "library/tags.h"
#include "tests/support/bytes.h"
#include "tests/support/tag_layouts.h"
#include "tests/support/win_test_support.h"

namespace {

using namespace testbytes;

const std::wstring kTitle =
    L"Sine \x00DC"
    L"berture";
const std::wstring kArtist = L"Tarnwick Ensemble";

std::wstring fixture(const wchar_t* name) {
  return L"" TWK_SOURCE_DIR "/tests/data/tags/" + std::wstring(name);
}

Bytes id3v1(std::string_view title, std::string_view artist = {}) {
  Bytes t = bytes(title), a = bytes(artist);
  t.resize(30);
  a.resize(30);
  Bytes out = bytes("TAG") + t + a;
  out.resize(128);
  return out;
}

Bytes flacFile(size_t pictureSize) {
  const Bytes comment = bytes("TITLE=Flac Title");
  const Bytes vorbis = le32(0) + le32(1) + le32(uint32_t(comment.size())) + comment;
  auto header = [](uint8_t type, size_t size) {
    return Bytes{type, uint8_t(size >> 16), uint8_t(size >> 8), uint8_t(size)};
  };
  Bytes out =
      bytes("fLaC") + header(0, 34) + Bytes(34) + header(6, pictureSize) + Bytes(pictureSize, 0x5A);
  return out + header(0x84, vorbis.size()) + vorbis + Bytes(4000, 0xFF);
}

// Big-endian MP4 box.
Bytes box(std::string_view type, const Bytes& content) {
  return be32(uint32_t(8 + content.size())) + bytes(type) + content;
}

const Bytes kAsfHeaderGuid = {0x30, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11,
                              0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C};
const Bytes kAsfContentDescriptionGuid = {0x33, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11,
                                          0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C};
const Bytes kAsfPaddingGuid = {0x74, 0xD4, 0x06, 0x18, 0xDF, 0xCA, 0x09, 0x45,
                               0xA4, 0xBA, 0x9A, 0xAB, 0xCB, 0x96, 0xAA, 0xE8};

Bytes asfObject(const Bytes& guid, const Bytes& content) {
  return guid + le64(24 + content.size()) + content;
}

Bytes utf16(std::wstring_view s) {
  Bytes out;
  for (wchar_t c : s) out += le16(uint16_t(c));
  return out + Bytes{0, 0};
}

// An ASF header whose content description lies behind a padding object of `padding` bytes.
Bytes asfFile(size_t padding) {
  const Bytes title = utf16(L"Asf Title"), author = utf16(L"Asf Author");
  const Bytes description = le16(uint16_t(title.size())) + le16(uint16_t(author.size())) + le16(0) +
                            le16(0) + le16(0) + title + author;
  const Bytes objects = asfObject(kAsfPaddingGuid, Bytes(padding)) +
                        asfObject(kAsfContentDescriptionGuid, description);
  const Bytes header = kAsfHeaderGuid + le64(30 + objects.size()) + le32(2) + Bytes{1, 2} + objects;
  return header + Bytes(5000, 0x11);  // stands in for the data object
}

using testsupport::TempFolder;

void expectFixtureChapters(const TagInfo& info) {
  ASSERT_EQ(info.chapters.size(), 3u);
  EXPECT_EQ(info.chapters[0].startMs, 0u);
  EXPECT_EQ(info.chapters[0].title, L"Opening");
  EXPECT_EQ(info.chapters[1].startMs, 300u);
  EXPECT_EQ(info.chapters[1].title, L"\x041A\x043E\x0434\x0430");
  EXPECT_EQ(info.chapters[2].startMs, 650u);
  EXPECT_EQ(info.chapters[2].title, L"Finale");
}

TEST(TagFileFixtures, Id3v2WithChaptersInBothModes) {
  for (const wchar_t* name : {L"id3v23_chapters.mp3", L"id3v24_chapters.mp3"}) {
    for (bool full : {false, true}) {
      SCOPED_TRACE((full ? "full " : "header-only ") + text::wideToUtf8(name));
      const TagInfo info = readTags(fixture(name), 0, full);
      EXPECT_EQ(info.title, kTitle);
      EXPECT_EQ(info.artist, kArtist);
      expectFixtureChapters(info);
      EXPECT_FALSE(info.drm);
    }
  }
}

TEST(TagFileFixtures, Id3v1FlacAndWaveInfo) {
  for (const wchar_t* name : {L"id3v1_only.mp3", L"vorbis.flac", L"info.wav"}) {
    const TagInfo info = readTags(fixture(name), 0, false);
    SCOPED_TRACE(text::wideToUtf8(name));
    EXPECT_EQ(info.title, kTitle);
    EXPECT_EQ(info.artist, kArtist);
    EXPECT_TRUE(info.chapters.empty());
  }
  // The ID3v1 title is in code page 1252; forcing 1251 reads its 0xDC as a Cyrillic letter.
  EXPECT_EQ(readTags(fixture(L"id3v1_only.mp3"), 1251, false).title,
            L"Sine \x042C"
            L"berture");
}

TEST(TagFileFixtures, Mp4AndAsfGoToTheContainerParsers) {
  const TagInfo m4a = readTags(fixture(L"title.m4a"), 0, false);
  EXPECT_EQ(m4a.title, kTitle);
  EXPECT_EQ(m4a.artist, kArtist);
  EXPECT_TRUE(m4a.chapters.empty());

  const TagInfo m4b = readTags(fixture(L"chapters.m4b"), 0, true);
  EXPECT_EQ(m4b.title, kTitle);
  expectFixtureChapters(m4b);

  for (bool full : {false, true}) {
    const TagInfo wma = readTags(fixture(L"title_author.wma"), 0, full);
    EXPECT_EQ(wma.title, kTitle);
    EXPECT_EQ(wma.artist, kArtist);
    EXPECT_FALSE(wma.drm);
  }
}

TEST(TagFile, FlacCommentsPastTheFirst64KiBAreFoundInBothModes) {
  TempFolder folder;
  const Bytes big = flacFile(70000);
  const std::wstring path = folder.write(L"big picture.flac", big);
  EXPECT_EQ(readTags(path, 0, false).title, L"Flac Title");
  EXPECT_EQ(parseTags(big.data(), big.size(), nullptr, 0, 0).title, L"Flac Title");

  const std::wstring small = folder.write(L"small picture.flac", flacFile(1000));
  EXPECT_EQ(readTags(small, 0, false).title, L"Flac Title");
}

TEST(TagFile, BothModesStepOverBigId3v2FramesAndReadTheTail) {
  TempFolder folder;
  Bytes file = id3Tag(id3Frame("PRIV", bytes("owner") + Bytes{0} + Bytes(100000, 0x42)) +
                      id3Frame("TIT2", Bytes{0} + bytes("Big Tag Title")));
  file += Bytes(3000, 0xEE);
  file += id3v1("Tail Title", "Tail Artist");
  const std::wstring path = folder.write(L"big tag.mp3", file);
  for (bool full : {false, true}) {
    const TagInfo info = readTags(path, 0, full);
    EXPECT_EQ(info.title, L"Big Tag Title");
    EXPECT_EQ(info.artist, L"Tail Artist");
  }
}

TEST(TagFile, TitlesBehindArtAndAudioReadAsFromTheMemoryImage) {
  TempFolder folder;
  for (const taglayouts::Layout& layout : taglayouts::layouts()) {
    SCOPED_TRACE(text::wideToUtf8(layout.name));
    const std::wstring path = folder.write(layout.name, layout.file);
    for (bool full : {false, true}) {
      const TagInfo fromFile = readTags(path, 0, full);
      EXPECT_EQ(fromFile.title, layout.title);
      EXPECT_EQ(fromFile.artist, taglayouts::kArtist);
      EXPECT_EQ(fromFile.chapters.size(), layout.chapters);

      MemoryTagReader reader(layout.file.data(), layout.file.size());
      TagWindow window(reader, full ? kTagFullReadBytes : kTagHeaderOnlyBytes);
      const TagInfo fromImage =
          parseTagWindow(window, layout.file.data() + layout.file.size() - 128, 128, 0);
      EXPECT_EQ(fromFile.title, fromImage.title);
      EXPECT_EQ(fromFile.artist, fromImage.artist);
      ASSERT_EQ(fromFile.chapters.size(), fromImage.chapters.size());
      for (size_t i = 0; i < fromFile.chapters.size(); ++i) {
        EXPECT_EQ(fromFile.chapters[i].startMs, fromImage.chapters[i].startMs);
        EXPECT_EQ(fromFile.chapters[i].title, fromImage.chapters[i].title);
      }
    }
  }
}

TEST(TagFile, FullModeGrowsTheAsfHeaderRead) {
  TempFolder folder;
  const std::wstring path = folder.write(L"padded.wma", asfFile(80000));
  EXPECT_EQ(readTags(path, 0, false).title, L"");
  const TagInfo full = readTags(path, 0, true);
  EXPECT_EQ(full.title, L"Asf Title");
  EXPECT_EQ(full.artist, L"Asf Author");
}

TEST(TagFile, Mp4MetadataBeyondTheFirst64KiBIsReadInPlace) {
  TempFolder folder;
  const Bytes text = bytes("Late Title");
  const Bytes data = box("data", be32(1) + be32(0) + text);
  const Bytes ilst = box("ilst", box("\xA9nam", data));
  const Bytes meta = box("meta", Bytes(4) + box("hdlr", Bytes(25)) + ilst);
  const Bytes file = box("ftyp", bytes("M4A ") + be32(0)) + box("mdat", Bytes(200000, 0x33)) +
                     box("moov", box("udta", meta));
  const std::wstring path = folder.write(L"late moov.m4a", file);
  EXPECT_EQ(readTags(path, 0, false).title, L"Late Title");
}

TEST(TagFile, SmallSharedMissingAndEmptyFiles) {
  TempFolder folder;
  // A file of exactly 128 bytes is its own tail.
  const std::wstring tiny = folder.write(L"tiny.mp3", id3v1("Tiny"));
  EXPECT_EQ(readTags(tiny, 0, false).title, L"Tiny");

  // Another program holding the file open for writing does not keep us out.
  {
    const base::ScopedHandle writer(
        CreateFileW(tiny.c_str(), GENERIC_READ | GENERIC_WRITE,
                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                    0, nullptr));
    ASSERT_TRUE(writer);
    EXPECT_EQ(readTags(tiny, 0, true).title, L"Tiny");
  }

  const TagInfo missing = readTags(folder.write(L"empty.mp3", std::string()) + L".gone", 0, true);
  EXPECT_TRUE(missing.title.empty() && missing.artist.empty() && missing.chapters.empty());
  EXPECT_TRUE(readTags(folder.write(L"empty.mp3", std::string()), 0, true).title.empty());
  EXPECT_TRUE(readTags(fixture(L""), 0, false).title.empty());  // a folder, not a file
}

}  // namespace
