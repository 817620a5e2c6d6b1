// The stream thread's portable parts: the reader miniaudio's MP3 decoder pulls from (looking
// back while it opens, small reads once it plays), and the ring writer (started after one
// second, titles at ring positions, a new rate in a new ring after the old one).
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "net/radio/ring_writer.h"
#include "net/radio/stream_reader.h"

using namespace radio;

namespace {

using Bytes = std::vector<uint8_t>;

// A network that hands out `body` in pieces of `piece` bytes, then ends.
StreamReader::Receive network(const Bytes& body, size_t piece) {
  auto at = std::make_shared<size_t>(0);
  return [&body, piece, at](uint8_t* buffer, size_t capacity, size_t& got) {
    got = std::min({piece, capacity, body.size() - *at});
    std::copy_n(body.begin() + ptrdiff_t(*at), got, buffer);
    *at += got;
    return got > 0;
  };
}

Bytes counting(size_t n) {
  Bytes b(n);
  for (size_t i = 0; i < n; ++i) b[i] = uint8_t(i * 7 + i / 256);
  return b;
}

struct Events : StreamEvents {
  ~Events() override {
    for (RadioRing* ring : rings) ring->release();
  }
  void status(const std::wstring& text) override { statuses.push_back(text); }
  void started(RadioRing& ring) override {
    ring.retain();
    rings.push_back(&ring);
  }
  void title(uint64_t position, const std::wstring& title) override {
    titles.emplace_back(position, title);
  }
  bool waitForStop(uint32_t) override { return true; }

  std::vector<std::wstring> statuses;
  std::vector<RadioRing*> rings;
  std::vector<std::pair<uint64_t, std::wstring>> titles;
};

}  // namespace

TEST(StreamReader, LooksBackWhileTheDecoderOpensAndReadsLittleOnceItPlays) {
  const Bytes body = counting(400000);
  StreamReader reader(0, 0, network(body, 1000));
  uint8_t out[10000];
  // A read takes what has come and waits for the network only until 4096 bytes are served.
  ASSERT_EQ(reader.read(out, sizeof out), 5000u);
  EXPECT_TRUE(std::equal(out, out + 5000, body.begin()));
  // From the start through the bytes kept, back by less than was served, forward by reading.
  ASSERT_TRUE(reader.seek(10, ma_seek_origin_start));
  ASSERT_EQ(reader.read(out, 20), 20u);
  EXPECT_TRUE(std::equal(out, out + 20, body.begin() + 10));
  ASSERT_TRUE(reader.seek(-25, ma_seek_origin_current));
  ASSERT_TRUE(reader.seek(6000, ma_seek_origin_current));
  ASSERT_EQ(reader.read(out, 1), 1u);
  EXPECT_EQ(out[0], body[6005]);
  EXPECT_FALSE(reader.seek(-6007, ma_seek_origin_current));
  EXPECT_FALSE(reader.seek(0, ma_seek_origin_end));
  // Past 256 KiB served nothing is kept to go back to.
  while (reader.read(out, sizeof out) > 0 && !reader.starved()) reader.audioDecoded();
  EXPECT_FALSE(reader.seek(0, ma_seek_origin_start));

  StreamReader playing(0, 0, network(body, 5000));
  playing.startDecoding();
  EXPECT_EQ(playing.read(out, sizeof out), StreamReader::kDecodingReadLimit);
  EXPECT_FALSE(playing.seek(0, ma_seek_origin_start));
}

TEST(RingWriter, AnnouncesAfterOneSecondAndRefusesANewRate) {
  Events events;
  RingWriter writer(events);
  const std::vector<int16_t> block(1000 * 2, 100);
  for (int i = 0; i < 44; ++i)
    ASSERT_EQ(writer.deliver(block.data(), 1000, 44100), RingWriter::Delivery::Written);
  EXPECT_TRUE(events.rings.empty());
  writer.postTitles({L"A", L"A", L"B"});
  ASSERT_EQ(writer.deliver(block.data(), 1000, 44100), RingWriter::Delivery::Written);
  ASSERT_EQ(events.rings.size(), 1u);
  RadioRing* first = events.rings[0];
  EXPECT_EQ(first->sampleRate(), 44100u);
  EXPECT_EQ(first->buffered(), 45000u);
  EXPECT_EQ(events.statuses, std::vector<std::wstring>{L""});
  using Titles = std::vector<std::pair<uint64_t, std::wstring>>;
  EXPECT_EQ(events.titles, (Titles{{44000, L"A"}, {44000, L"B"}}));

  // A reconnect at 48 kHz writes nothing and announces nothing; the old ring plays out.
  writer.statusShown();
  EXPECT_EQ(writer.deliver(block.data(), 1000, 48000), RingWriter::Delivery::FormatChanged);
  EXPECT_EQ(events.rings.size(), 1u);
  EXPECT_EQ(writer.buffered(), 45000u);
  EXPECT_EQ(events.statuses, std::vector<std::wstring>{L""});
}
