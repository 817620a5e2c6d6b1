// The stream's pure parts: what the answer says it carries, the ICY demultiplexer and its
// titles, and ADTS framing.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "base/text.h"
#include "net/radio/adts.h"
#include "net/radio/icy_demuxer.h"
#include "net/radio/stream_titles.h"
#include "net/radio/stream_type.h"

using namespace radio;

namespace {

using Bytes = std::vector<uint8_t>;

Bytes bytesOf(const std::string& s) { return Bytes(s.begin(), s.end()); }

Bytes readFixture(const char* name) {
  std::ifstream in(std::string(TWK_SOURCE_DIR) + "/tests/data/radio/" + name, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// An ICY body: `audio` cut every `metaint` bytes by the given metadata blocks (padded to a
// multiple of 16; an empty one is the length byte 0).
Bytes icyBody(const Bytes& audio, size_t metaint, const std::vector<std::string>& blocks) {
  Bytes out;
  size_t block = 0;
  for (size_t pos = 0; pos < audio.size(); pos += metaint) {
    const size_t n = std::min(metaint, audio.size() - pos);
    out.insert(out.end(), audio.begin() + ptrdiff_t(pos), audio.begin() + ptrdiff_t(pos + n));
    if (n < metaint) break;
    std::string meta = block < blocks.size() ? blocks[block++] : "";
    meta.resize((meta.size() + 15) / 16 * 16, '\0');
    out.push_back(uint8_t(meta.size() / 16));
    out.insert(out.end(), meta.begin(), meta.end());
  }
  return out;
}

std::wstring title(const std::string& block, uint32_t codepage = 0) {
  auto value =
      parseStreamTitle(reinterpret_cast<const uint8_t*>(block.data()), block.size(), codepage);
  return value ? *value : L"<none>";
}

}  // namespace

TEST(StreamType, ClassifiesTheAnswerAndSniffsUntypedBodies) {
  const std::wstring aacRefused = L"This kind of AAC stream isn't supported (";
  const struct {
    const wchar_t* header;
    StreamClass kind;
    std::wstring error;
  } cases[] = {
      {L"Audio/MPEG; charset=UTF-8", StreamClass::Mp3, L""},
      {L"audio/aacp", StreamClass::Aac, L""},
      {L"", StreamClass::Unknown, L""},
      {L"application/octet-stream;x=1", StreamClass::Unknown, L""},
      // The first three rows compare exactly; the later ones in order.
      {L" audio/mpeg", StreamClass::Refused, L"Not an MP3 or AAC stream ( audio/mpeg)"},
      {L"audio/AAC-LATM", StreamClass::Refused, aacRefused + L"audio/aac-latm)"},
      {L"audio/mp4", StreamClass::Refused, aacRefused + L"audio/mp4)"},
      {L"audio/opus", StreamClass::Refused, L"Ogg stations aren't supported (MP3 and AAC only)"},
      {L"audio/x-mpegurl", StreamClass::Refused,
       L"This is a playlist link; use the stream URL inside it"},
      {L"text/html; charset=utf-8", StreamClass::Refused, L"Not an MP3 or AAC stream (text/html)"},
  };
  for (const auto& c : cases) {
    const ContentClass got = classifyContentType(c.header);
    EXPECT_EQ(got.kind, c.kind) << c.header;
    EXPECT_EQ(got.error, c.error) << c.header;
  }
  EXPECT_TRUE(contentTypeNamesPlaylist(L"Audio/X-MpegURL"));
  EXPECT_TRUE(contentTypeNamesPlaylist(L"text/plain; x=scpls"));
  EXPECT_FALSE(contentTypeNamesPlaylist(L"audio/mpeg"));

  EXPECT_EQ(parseMetaint(L" 8192 "), 8192u);
  EXPECT_EQ(parseMetaint(L"1048576"), 1048576u);
  for (const wchar_t* refused :
       {L"0", L"1048577", L"99999999999999999999999", L"-5", L"12a", L""}) {
    EXPECT_EQ(parseMetaint(refused), 0u) << refused;
  }

  const Bytes aac = readFixture("tone440_44100.aac");
  const Bytes mp3 = readFixture("tone440_44100.mp3");
  ASSERT_GT(mp3.size(), kSniffBytes);
  EXPECT_EQ(sniffStream(aac.data(), 2048, false), Sniff::Aac);
  EXPECT_EQ(sniffStream(mp3.data(), 4096, true), Sniff::Mp3);
  EXPECT_EQ(sniffStream(mp3.data(), kSniffBytes - 1, false), Sniff::NeedMore);
  EXPECT_EQ(sniffStream(mp3.data(), kSniffBytes, false), Sniff::Mp3);
}

TEST(StreamTitle, ParsesTheValue) {
  EXPECT_EQ(title("StreamTitle='Rock 'n' Roll';StreamUrl='http://x/';"), L"Rock 'n' Roll");
  EXPECT_EQ(title("StreamTitle='A; B - C';"), L"A; B - C");
  EXPECT_EQ(title("StreamUrl='';StreamTitle='Second';"), L"Second");
  EXPECT_EQ(title("StreamTitle='';"), L"");
  // Without the closing pair the value runs to the end, NUL padding and quotes removed.
  EXPECT_EQ(title(std::string("StreamTitle='Tail''\0\0\0", 22)), L"Tail");
  EXPECT_EQ(title(std::string("StreamTitle='Cut\0here';", 23)), L"Cut");
  EXPECT_EQ(title("streamtitle='lower';"), L"<none>");
  EXPECT_EQ(title("StreamUrl='x';"), L"<none>");
  // Legacy 8-bit text: the automatic choice, a chosen code page, and UTF-8 whatever it is.
  EXPECT_EQ(title("StreamTitle='\xCF\xF0\xE8\xE2\xE5\xF2';"),
            L"\x041F\x0440\x0438\x0432\x0435\x0442");
  EXPECT_EQ(title("StreamTitle='Caf\xE9';", 1252), L"Caf\xE9");
  EXPECT_EQ(title("StreamTitle='Caf\xC3\xA9';", 1251), L"Caf\xE9");
}

TEST(IcyDemuxer, SplitsAudioAndMetadataAtEveryReadBoundary) {
  Bytes audio(100);
  for (size_t i = 0; i < audio.size(); ++i) audio[i] = uint8_t(i * 7 + 1);
  // Audio that looks like a length byte and like metadata, to catch any confusion.
  audio[20] = 0xFF;
  const Bytes body = icyBody(audio, 16,
                             {"StreamTitle='One';", "", "StreamUrl='u';", "StreamTitle='Two';",
                              std::string(4080, 'x'), "StreamTitle='Three';"});

  auto run = [&](const std::vector<size_t>& cuts) {
    IcyDemuxer demuxer(16, 0);
    Bytes out;
    std::vector<std::wstring> titles;
    size_t from = 0;
    for (size_t cut : cuts) {
      demuxer.push(body.data() + from, cut - from, out);
      for (auto& t : demuxer.takeTitles()) titles.push_back(t);
      from = cut;
    }
    EXPECT_EQ(out, audio);
    EXPECT_EQ(titles, (std::vector<std::wstring>{L"One", L"Two", L"Three"}));
  };
  for (size_t cut = 0; cut <= body.size(); ++cut) run({cut, body.size()});
  std::vector<size_t> everyByte;
  for (size_t i = 1; i <= body.size(); ++i) everyByte.push_back(i);
  run(everyByte);
}

TEST(IcyDemuxer, SurvivesBrokenStations) {
  // No metadata: every byte is audio, even ones that look like a metadata block.
  const Bytes body = icyBody(bytesOf("0123456789abcdef"), 4, {"StreamTitle='x';"});
  Bytes out;
  IcyDemuxer(0, 0).push(body.data(), body.size(), out);
  EXPECT_EQ(out, body);

  // A length byte pointing past the data: the stream ends inside the "metadata"; nothing
  // is parsed and the audio before it stays intact.
  const Bytes broken = bytesOf("abcd\xFFStreamTitle='never';then audio");
  IcyDemuxer demuxer(4, 0);
  out.clear();
  demuxer.push(broken.data(), broken.size(), out);
  EXPECT_EQ(out, bytesOf("abcd"));
  EXPECT_FALSE(demuxer.hasTitles());

  // A station that sends nothing but titles: only the newest are held.
  std::vector<std::string> blocks;
  for (int i = 0; i < 100; ++i) blocks.push_back("StreamTitle='" + std::to_string(i) + "';");
  const Bytes flood = icyBody(Bytes(101, 0), 1, blocks);
  IcyDemuxer flooded(1, 0);
  flooded.push(flood.data(), flood.size(), out);
  const auto titles = flooded.takeTitles();
  ASSERT_EQ(titles.size(), kMaxPendingTitles);
  EXPECT_EQ(titles.back(), L"99");
}

TEST(StreamTitles, PostChangesAndShowThemWhenPlaybackArrives) {
  TitleFilter filter;
  std::vector<bool> posted;
  for (const wchar_t* t : {L"", L"", L"A", L"A", L"B", L"A"}) posted.push_back(filter.admit(t));
  EXPECT_EQ(posted, (std::vector<bool>{true, false, true, false, true, true}));

  DueTitles due;
  std::wstring shown = L"none";
  due.add(100, L"A");
  due.add(200, L"B");
  due.add(200, L"C");
  due.add(300, L"D");
  EXPECT_FALSE(due.takeDue(99, shown));
  EXPECT_TRUE(due.takeDue(250, shown));
  EXPECT_EQ(shown, L"C");
  EXPECT_EQ(due.size(), 1u);

  for (uint64_t i = 0; i < DueTitles::kMaxPending + 50; ++i) due.add(i, text::toDecimal(i));
  EXPECT_EQ(due.size(), DueTitles::kMaxPending);
  EXPECT_TRUE(due.takeDue(60, shown));
  EXPECT_EQ(shown, L"60");
}

TEST(Adts, ParsesHeadersAndGivesTheDecoderConfiguration) {
  AdtsHeader header;
  const Bytes aac = readFixture("tone440_44100.aac");
  ASSERT_TRUE(parseAdtsHeader(aac.data(), aac.size(), header));
  EXPECT_EQ(header.sampleRate, 44100u);
  EXPECT_EQ(header.channels, 2u);
  // AAC LC (object type 2), sampling index 4, two channels.
  EXPECT_EQ(aacUserData(header),
            (std::array<uint8_t, 14>{1, 0, 0xFE, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x12, 0x10}));
  const Bytes aac48 = readFixture("tone660_48000.aac");
  ASSERT_TRUE(parseAdtsHeader(aac48.data(), aac48.size(), header));
  EXPECT_EQ(header.sampleRate, 48000u);
  EXPECT_EQ(audioSpecificConfig(header), (std::array<uint8_t, 2>{0x11, 0x90}));

  // HE profile, 22050 Hz, mono, with a CRC and the least length that leaves room for it.
  const Bytes h = {0xFF, 0xF0, 0x80 | 7 << 2, 0x40, 0x01, 0x20, 0xFC};
  ASSERT_TRUE(parseAdtsHeader(h.data(), h.size(), header));
  EXPECT_EQ(header.frameLength, 9u);
  EXPECT_EQ(header.channels, 1u);
  EXPECT_EQ(audioSpecificConfig(header), (std::array<uint8_t, 2>{0x1B, 0x88}));
  EXPECT_FALSE(parseAdtsHeader(h.data(), 6, header));
  const struct {
    size_t at;
    uint8_t value;
  } changes[] = {{5, 0x00},            // length 8 with a CRC
                 {2, 0x80 | 13 << 2},  // sampling index 13
                 {3, 0x00},            // channel configuration 0
                 {1, 0xF2}};           // layer 1: an MP3 frame header
  for (const auto& c : changes) {
    Bytes changed = h;
    changed[c.at] = c.value;
    EXPECT_FALSE(parseAdtsHeader(changed.data(), changed.size(), header)) << c.at;
  }
  Bytes eight = h;
  eight[2] |= 0x01;
  eight[3] = 0xC0;
  ASSERT_TRUE(parseAdtsHeader(eight.data(), eight.size(), header));
  EXPECT_EQ(header.channels, 8u);
}

TEST(Adts, FramerFindsTheFramesAfterGarbageInAnyPieces) {
  const Bytes aac = readFixture("tone440_44100.aac");
  // Reference: the frames as the file holds them.
  std::vector<Bytes> frames;
  AdtsHeader header;
  for (size_t pos = 0; pos + 7 <= aac.size(); pos += header.frameLength) {
    ASSERT_TRUE(parseAdtsHeader(aac.data() + pos, aac.size() - pos, header));
    frames.emplace_back(aac.begin() + ptrdiff_t(pos),
                        aac.begin() + ptrdiff_t(pos + header.frameLength));
  }
  ASSERT_GT(frames.size(), 100u);

  // Garbage first, with false headers that claim long frames and one with a short frame
  // whose successor does not match; then the stream, with more garbage halfway.
  std::mt19937 random(7);
  Bytes stream(3000);
  for (auto& b : stream) b = uint8_t(random());
  for (size_t at : {10u, 500u, 2990u}) {
    const uint8_t fake[] = {0xFF, 0xF1, 0x50, 0x83, 0xFF, 0xFF, 0xFC};
    std::copy(std::begin(fake), std::end(fake), stream.begin() + ptrdiff_t(at));
  }
  const size_t half = frames.size() / 2;
  for (size_t i = 0; i < frames.size(); ++i) {
    if (i == half) stream.insert(stream.end(), {0x00, 0xFF, 0xF1, 0x12});
    stream.insert(stream.end(), frames[i].begin(), frames[i].end());
  }

  AdtsFramer framer;
  std::vector<Bytes> got;
  Bytes frame;
  for (size_t pos = 0; pos < stream.size();) {
    const size_t n = std::min<size_t>(1 + random() % 3000, stream.size() - pos);
    framer.append(stream.data() + pos, n);
    pos += n;
    while (framer.next(header, frame)) {
      EXPECT_EQ(header.sampleRate, 44100u);
      got.push_back(frame);
    }
    EXPECT_LT(framer.pending(), 8192u + 3000u);  // garbage is dropped, not hoarded
  }
  EXPECT_EQ(framer.gathered(), stream.size());
  // The frame before the inserted garbage and the last one have no following header.
  std::vector<Bytes> expected = frames;
  expected.pop_back();
  expected.erase(expected.begin() + ptrdiff_t(half - 1));
  ASSERT_EQ(got.size(), expected.size());
  EXPECT_TRUE(got == expected);
}
