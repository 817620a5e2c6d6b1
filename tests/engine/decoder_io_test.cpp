// How decoders are configured and opened: the read and seek procedures over a byte source,
// the format choice, the path kinds the loader tells apart, and memory decoding of the
// committed fixtures.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "engine/decoder_io.h"
#include "engine/load_path.h"
#include "engine/loaded_track.h"
#include "engine/memory_decoder.h"
#include "engine/source/memory_source.h"
#include "tests/support/files.h"
#include "tests/support/memory_track.h"
#include "tests/support/wav_writer.h"

namespace {

const std::string kAudio = TWK_SOURCE_DIR "/tests/data/audio/";

// A source that fails on demand and can pretend not to know its size.
class FlakySource : public source::ByteSource {
 public:
  FlakySource(std::vector<uint8_t> bytes, bool sizeKnown)
      : bytes_(std::move(bytes)), sizeKnown_(sizeKnown) {}
  uint64_t size() override { return sizeKnown_ ? bytes_.size() : source::kUnknownSize; }
  bool readAt(uint64_t offset, uint8_t* buffer, uint64_t count, uint64_t& bytesRead) override {
    bytesRead = 0;
    if (failAll) return false;
    if (offset >= bytes_.size()) return true;
    uint64_t n = std::min<uint64_t>(count, bytes_.size() - offset);
    if (failAfterBytes && n > failAfterBytes) n = failAfterBytes;
    std::memcpy(buffer, bytes_.data() + offset, n);
    bytesRead = n;
    return !failAfterBytes;  // a partial read that then failed
  }
  bool seekable() override { return true; }
  void cancel() override {}
  std::wstring contentType() override { return {}; }
  bool mediumLost() override { return false; }

  bool failAll = false;
  uint64_t failAfterBytes = 0;

 private:
  std::vector<uint8_t> bytes_;
  bool sizeKnown_;
};

// Procedures are called with a decoder whose user data is the view; nothing else is used.
struct ViewHarness {
  explicit ViewHarness(source::ByteSource& src, uint64_t baseOffset = 0) {
    view.source = &src;
    view.size = src.size();
    view.baseOffset = baseOffset;
    decoder.pUserData = &view;
  }
  ma_result read(size_t bytes, size_t& got) {
    buffer.assign(bytes, 0);
    return decoding::readFromView(&decoder, buffer.data(), bytes, &got);
  }
  decoding::SourceView view;
  ma_decoder decoder{};
  std::vector<uint8_t> buffer;
};

std::vector<uint8_t> bytes(size_t n) {
  std::vector<uint8_t> out(n);
  for (size_t i = 0; i < n; ++i) out[i] = static_cast<uint8_t>(i);
  return out;
}

TEST(DecoderIo, ReadAdvancesThroughTheViewAndEndsAtTheSize) {
  source::MemorySource src(bytes(100));
  ViewHarness h(src, 10);
  size_t got = 0;
  ASSERT_EQ(MA_SUCCESS, h.read(50, got));
  EXPECT_EQ(50u, got);
  EXPECT_EQ(10, h.buffer[0]);  // the view begins at the base offset
  EXPECT_EQ(50u, h.view.position);
  ASSERT_EQ(MA_SUCCESS, h.read(50, got));
  EXPECT_EQ(40u, got);  // short at the end
  ASSERT_EQ(MA_AT_END, h.read(50, got));
  EXPECT_EQ(0u, got);
}

TEST(DecoderIo, ReadFailuresAndPartialReads) {
  FlakySource src(bytes(100), true);
  ViewHarness h(src);
  size_t got = 7;
  src.failAll = true;
  EXPECT_EQ(MA_IO_ERROR, h.read(10, got));
  EXPECT_EQ(0u, got);
  EXPECT_EQ(0u, h.view.position);

  // A failure after some bytes delivers them as a success.
  src.failAll = false;
  src.failAfterBytes = 4;
  EXPECT_EQ(MA_SUCCESS, h.read(10, got));
  EXPECT_EQ(4u, got);
  EXPECT_EQ(4u, h.view.position);
}

TEST(DecoderIo, SeekClampsToTheViewFromEveryOrigin) {
  source::MemorySource src(bytes(100));
  ViewHarness h(src, 20);  // view length 80
  EXPECT_EQ(MA_SUCCESS, decoding::seekInView(&h.decoder, 30, ma_seek_origin_start));
  EXPECT_EQ(30u, h.view.position);
  EXPECT_EQ(MA_SUCCESS, decoding::seekInView(&h.decoder, -5, ma_seek_origin_current));
  EXPECT_EQ(25u, h.view.position);
  EXPECT_EQ(MA_SUCCESS, decoding::seekInView(&h.decoder, -1000, ma_seek_origin_current));
  EXPECT_EQ(0u, h.view.position);
  EXPECT_EQ(MA_SUCCESS, decoding::seekInView(&h.decoder, 1000, ma_seek_origin_start));
  EXPECT_EQ(80u, h.view.position);
  // From the end a positive offset counts backwards.
  EXPECT_EQ(MA_SUCCESS, decoding::seekInView(&h.decoder, 8, ma_seek_origin_end));
  EXPECT_EQ(72u, h.view.position);
  EXPECT_EQ(MA_SUCCESS, decoding::seekInView(&h.decoder, -8, ma_seek_origin_end));
  EXPECT_EQ(72u, h.view.position);
  // Extreme offsets neither wrap nor overflow.
  EXPECT_EQ(MA_SUCCESS, decoding::seekInView(&h.decoder, INT64_MIN, ma_seek_origin_end));
  EXPECT_EQ(0u, h.view.position);
  EXPECT_EQ(MA_SUCCESS, decoding::seekInView(&h.decoder, INT64_MAX, ma_seek_origin_current));
  EXPECT_EQ(80u, h.view.position);
  // Already at the end, a forward seek cannot move and fails; backwards still works.
  EXPECT_NE(MA_SUCCESS, decoding::seekInView(&h.decoder, 1, ma_seek_origin_current));
  EXPECT_EQ(80u, h.view.position);
  EXPECT_EQ(MA_SUCCESS, decoding::seekInView(&h.decoder, 0, ma_seek_origin_current));
  EXPECT_EQ(MA_SUCCESS, decoding::seekInView(&h.decoder, -1, ma_seek_origin_current));
  EXPECT_EQ(79u, h.view.position);
}

TEST(DecoderIo, MemoryViewFollowsTheSameRules) {
  const std::vector<uint8_t> image = bytes(64);
  decoding::MemoryView view;
  view.data = image.data();
  view.size = image.size();
  ma_decoder decoder{};
  decoder.pUserData = &view;
  uint8_t buffer[100] = {};
  size_t got = 0;
  ASSERT_EQ(MA_SUCCESS, decoding::seekInMemory(&decoder, 60, ma_seek_origin_start));
  EXPECT_EQ(MA_SUCCESS, decoding::readFromMemory(&decoder, buffer, 100, &got));
  EXPECT_EQ(4u, got);
  EXPECT_EQ(60, buffer[0]);
  EXPECT_EQ(MA_AT_END, decoding::readFromMemory(&decoder, buffer, 100, &got));
  EXPECT_EQ(0u, got);
  EXPECT_NE(MA_SUCCESS, decoding::seekInMemory(&decoder, 0x7FFFFFFF, ma_seek_origin_current));
  EXPECT_EQ(MA_SUCCESS, decoding::seekInMemory(&decoder, 10, ma_seek_origin_end));
  EXPECT_EQ(54u, view.position);
  EXPECT_EQ(MA_SUCCESS, decoding::seekInMemory(&decoder, 1000, ma_seek_origin_current));
  EXPECT_EQ(64u, view.position);
}

TEST(DecoderIo, AChunkClaimingExabytesDoesNotStallOpening) {
  // A Wave64-style file whose skipped chunk claims about 2^64 bytes: the WAV reader steps
  // over it 2 GiB at a time, which at the end of the data never finished.
  std::vector<uint8_t> input =
      testsupport::readBytes(TWK_SOURCE_DIR "/fuzz/corpus/decoder/wav_huge_chunk_skip");
  ASSERT_GT(input.size(), 1u);
  input.erase(input.begin());  // the fuzz target's format byte
  for (ma_encoding_format format : {ma_encoding_format_wav, ma_encoding_format_unknown}) {
    decoding::MemoryView memory;
    memory.data = input.data();
    memory.size = input.size();
    ma_decoder decoder;
    if (decoding::openOverMemory(memory, format, decoder) == MA_SUCCESS) {
      ma_decoder_uninit(&decoder);
    }
    EXPECT_LE(memory.position, memory.size);
    source::MemorySource src(input);
    ViewHarness h(src);
    if (decoding::openOverView(h.view, format, decoder) == MA_SUCCESS) {
      ma_decoder_uninit(&decoder);
    }
    EXPECT_LE(h.view.position, input.size());
  }
}

TEST(DecoderIo, UnknownSizeNeverEndsTheDataButRefusesSeekFromEnd) {
  FlakySource src(bytes(100), false);
  ViewHarness h(src);
  EXPECT_EQ(MA_NOT_IMPLEMENTED, decoding::seekInView(&h.decoder, 0, ma_seek_origin_end));
  EXPECT_EQ(MA_SUCCESS, decoding::seekInView(&h.decoder, 90, ma_seek_origin_start));
  size_t got = 0;
  EXPECT_EQ(MA_SUCCESS, h.read(50, got));
  EXPECT_EQ(10u, got);
  // The source's own end (true with 0 bytes) is the end of the data.
  EXPECT_EQ(MA_AT_END, h.read(50, got));
  EXPECT_EQ(MA_SUCCESS, decoding::seekInView(&h.decoder, INT64_MAX, ma_seek_origin_current));
  EXPECT_EQ(static_cast<uint64_t>(INT64_MAX), h.view.position);
}

TEST(DecoderIo, FormatComesFromTheExtension) {
  EXPECT_EQ(ma_encoding_format_mp3, decoding::encodingFormatForPath(L"C:\\a\\b.MP3"));
  EXPECT_EQ(ma_encoding_format_wav, decoding::encodingFormatForPath(L"x.Wav"));
  EXPECT_EQ(ma_encoding_format_flac, decoding::encodingFormatForPath(L"C:\\x.y\\z.flac"));
  EXPECT_EQ(ma_encoding_format_unknown, decoding::encodingFormatForPath(L"C:\\x.mp3\\noext"));
  EXPECT_EQ(ma_encoding_format_unknown, decoding::encodingFormatForPath(L"song.ogg"));
  EXPECT_EQ(ma_encoding_format_unknown, decoding::encodingFormatForPath(L"song"));
  EXPECT_EQ(ma_encoding_format_unknown, decoding::encodingFormatForPath(L"song.mp3x"));
}

TEST(LoadPath, CdTrackPaths) {
  EXPECT_TRUE(isCdTrackPath(L"D:\\Track01.cda"));
  EXPECT_TRUE(isCdTrackPath(L"e:\\track99.CDA"));  // lower case, upper-case extension
  EXPECT_TRUE(isCdTrackPath(L"z:\\TRACK10.cda"));
  EXPECT_FALSE(isCdTrackPath(L"D:\\Track00.cda"));
  EXPECT_FALSE(isCdTrackPath(L"D:\\Track1.cda"));  // 13 characters
  EXPECT_FALSE(isCdTrackPath(L"D:\\Track001.cda"));
  EXPECT_FALSE(isCdTrackPath(L"1:\\Track01.cda"));
  EXPECT_FALSE(isCdTrackPath(L"D:/Track01.cda"));
  EXPECT_FALSE(isCdTrackPath(L"D:\\Trick01.cda"));
  EXPECT_FALSE(isCdTrackPath(L"D:\\Track0A.cda"));
  EXPECT_FALSE(isCdTrackPath(L"D:\\Track01.wav"));
}

TEST(LoadPath, UrlsAndMediaFoundationExtensions) {
  EXPECT_TRUE(isHttpUrl(L"http://example.org/a.mp3"));
  EXPECT_TRUE(isHttpUrl(L"HTTPS://example.org/"));
  EXPECT_FALSE(isHttpUrl(L"ftp://example.org/"));
  EXPECT_FALSE(isHttpUrl(L"http:/"));
  EXPECT_FALSE(isHttpUrl(L"C:\\http\\a.mp3"));
  EXPECT_TRUE(selectsMediaFoundation(L"C:\\book.M4B"));
  EXPECT_TRUE(selectsMediaFoundation(L"a.m4a"));
  EXPECT_TRUE(selectsMediaFoundation(L"a.wma"));
  EXPECT_FALSE(selectsMediaFoundation(L"a.mp4"));
  EXPECT_FALSE(selectsMediaFoundation(L"wma"));
}

// A LoadedTrack holding a copy of `image` with its memory decoder opened (or not).
struct MemoryTrack {
  MemoryTrack(const std::vector<uint8_t>& image, ma_encoding_format format)
      : track(testsupport::trackWithImage(1, image)) {
    opened = openMemoryDecoder(*track, format);
  }
  LoadedTrackPtr track;
  bool opened = false;
};

std::vector<uint8_t> fixture(const char* name) { return testsupport::readBytes(kAudio + name); }

TEST(MemoryDecoding, EveryFixtureOpensWithItsRateAndLength) {
  struct Case {
    const char* name;
    ma_encoding_format format;
    uint32_t rate;
    uint64_t frames;
    uint64_t slack;  // MP3 frames may add encoder padding
  };
  const Case cases[] = {
      {"sine44_stereo.wav", ma_encoding_format_wav, 44100, 44100, 0},
      {"sine48_mono.wav", ma_encoding_format_wav, 48000, 48000, 0},
      {"sine44_mono.flac", ma_encoding_format_flac, 44100, 44100, 0},
      {"sine48_stereo.flac", ma_encoding_format_flac, 48000, 48000, 0},
      {"sine44_stereo.mp3", ma_encoding_format_mp3, 44100, 88200, 2304},
      {"sine48_mono.mp3", ma_encoding_format_mp3, 48000, 96000, 2304},
      // MP3 content behind a .flac name, through the retry with the unknown format.
      {"mp3_named.flac", ma_encoding_format_flac, 44100, 88200, 2304},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<uint8_t> image = fixture(c.name);
    ASSERT_FALSE(image.empty());
    MemoryTrack m(image, c.format);
    ASSERT_TRUE(m.opened);
    EXPECT_TRUE(m.track->memoryDecoderReady);
    EXPECT_EQ(c.rate, m.track->sampleRate);
    EXPECT_GE(m.track->lengthFrames, c.frames);
    EXPECT_LE(m.track->lengthFrames, c.frames + c.slack);
    // The decoder delivers float stereo; a mono file is spread on both channels.
    float frame[8] = {};
    for (int i = 0; i < 100; ++i) {
      ma_uint64 got = 0;
      ASSERT_EQ(MA_SUCCESS, ma_decoder_read_pcm_frames(&m.track->memoryDecoder, frame, 4, &got));
      ASSERT_EQ(4u, got);
    }
    EXPECT_EQ(frame[0], frame[1]);
  }
}

TEST(MemoryDecoding, UnplayableImagesAreRefusedAndFreed) {
  std::vector<uint8_t> garbage(5000);
  for (size_t i = 0; i < garbage.size(); ++i) garbage[i] = static_cast<uint8_t>(i * 7 + 3);
  // A WAV header that promises data it does not have has a length, which is enough to open;
  // one with no data chunk at all is not playable.
  std::vector<uint8_t> headerOnly = testwav::header(44100, 2, 0);
  const std::vector<uint8_t> images[] = {garbage, headerOnly, std::vector<uint8_t>(1, 0xFF),
                                         std::vector<uint8_t>()};
  for (const auto& image : images) {
    MemoryTrack m(image, ma_encoding_format_mp3);
    EXPECT_FALSE(m.opened);
    EXPECT_EQ(nullptr, m.track->memoryImage.get());
    EXPECT_FALSE(m.track->memoryDecoderReady);
  }
}

TEST(MemoryDecoding, SeekingBackAfterADamagedFlacFrameIsSafe) {
  // The second FLAC frame of this file fails to decode; miniaudio's own backward seek would
  // then read through null sample pointers (an input the decoder fuzz target found).
  MemoryTrack m(fixture("damaged_frame.flac"), ma_encoding_format_flac);
  ASSERT_TRUE(m.opened);
  ma_decoder& decoder = m.track->memoryDecoder;
  std::vector<float> out(4096 * 2);
  ma_uint64 first = 0;
  ma_decoder_read_pcm_frames(&decoder, out.data(), 4096, &first);
  ASSERT_GT(first, 0u);
  ASSERT_LT(first, m.track->lengthFrames);  // cut short by the damaged frame
  std::vector<float> start(out.begin(), out.begin() + 2 * 100);

  const uint64_t targets[] = {first / 2, m.track->lengthFrames / 2, 1, first - 1};
  for (uint64_t target : targets) {
    SCOPED_TRACE(target);
    if (decoding::seekToFrame(decoder, target) == MA_SUCCESS) {
      ma_uint64 got = 0;
      ma_decoder_read_pcm_frames(&decoder, out.data(), 4096, &got);
      EXPECT_LE(got, 4096u);
    }
  }
  // The undamaged start still decodes the same after all that.
  ASSERT_EQ(MA_SUCCESS, decoding::seekToFrame(decoder, 0));
  ma_uint64 again = 0;
  ma_decoder_read_pcm_frames(&decoder, out.data(), 100, &again);
  ASSERT_EQ(100u, again);
  EXPECT_TRUE(std::equal(start.begin(), start.end(), out.begin()));
}

}  // namespace
