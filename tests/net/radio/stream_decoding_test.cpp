// The stream thread's portable parts: the reader under miniaudio's MP3 decoder (looking back
// while it opens, small reads once it plays, garbage refused), and the ring writer (started
// after one second, titles at ring positions, a new rate in a new ring after the old one).
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "net/radio/ring_writer.h"
#include "net/radio/stream_reader.h"
#include "tests/support/tone.h"

using namespace radio;

namespace {

using Bytes = std::vector<uint8_t>;

// A network that hands out `body` in pieces of `piece` bytes, then ends.
StreamReader::Receive network(const Bytes& body, size_t piece, size_t* sent = nullptr) {
  auto at = std::make_shared<size_t>(0);
  return [&body, piece, at, sent](uint8_t* buffer, size_t capacity, size_t& got) {
    got = std::min({piece, capacity, body.size() - *at});
    std::copy_n(body.begin() + ptrdiff_t(*at), got, buffer);
    *at += got;
    if (sent) *sent = *at;
    return got > 0;
  };
}

Bytes counting(size_t n) {
  Bytes b(n);
  for (size_t i = 0; i < n; ++i) b[i] = uint8_t(i * 7 + i / 256);
  return b;
}

struct Events : StreamEvents {
  struct Started {
    RadioRing* ring;
    uint32_t buffered;
  };
  ~Events() override {
    for (auto& s : startedRings) s.ring->release();
  }
  void status(const std::wstring& text) override { statuses.push_back(text); }
  void started(RadioRing& ring) override {
    ring.retain();
    startedRings.push_back({&ring, ring.buffered()});
  }
  void title(uint64_t position, const std::wstring& title) override {
    titles.emplace_back(position, title);
  }
  bool waitForStop(uint32_t) override { return ++waits > maxWaits; }

  std::vector<std::wstring> statuses;
  std::vector<Started> startedRings;
  std::vector<std::pair<uint64_t, std::wstring>> titles;
  int waits = 0;
  int maxWaits = 0;
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

TEST(StreamReader, Mp3StationsDecodeToTheirToneAndGarbageIsRefused) {
  std::ifstream in(std::string(TWK_SOURCE_DIR) + "/tests/data/radio/tone440_44100.mp3",
                   std::ios::binary);
  const Bytes mp3((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_GT(mp3.size(), 40000u);
  // With metadata every 8000 bytes: one title, then empty blocks.
  Bytes body;
  const std::string meta = "StreamTitle='Tone';";
  for (size_t pos = 0, block = 0; pos < mp3.size(); pos += 8000, ++block) {
    body.insert(body.end(), mp3.begin() + ptrdiff_t(pos),
                mp3.begin() + ptrdiff_t(std::min(pos + 8000, mp3.size())));
    body.push_back(block == 0 ? 2 : 0);
    if (block == 0) {
      body.insert(body.end(), meta.begin(), meta.end());
      body.resize(body.size() + 32 - meta.size());
    }
  }
  StreamReader reader(8000, 0, network(body, 700));
  std::vector<float> left;
  uint32_t rate = 0;
  std::deque<std::wstring> titles;
  const Mp3Outcome outcome = decodeMp3(
      reader,
      [&](const int16_t* frames, uint32_t count, uint32_t r) {
        rate = r;
        for (uint32_t i = 0; i < count; ++i) left.push_back(frames[i * 2] / 32768.0f);
        return true;
      },
      [&] {
        for (auto& t : reader.takeTitles()) titles.push_back(t);
      });
  EXPECT_EQ(outcome, Mp3Outcome::Ended);
  EXPECT_EQ(rate, 44100u);
  EXPECT_NEAR(double(left.size()), 3 * 44100, 2000);
  EXPECT_NEAR(testsupport::toneHz(left, 44100), 440, 440 * 0.03);
  EXPECT_EQ(titles, std::deque<std::wstring>{L"Tone"});

  // Random bytes for as long as the station sends them: refused after 256 KiB.
  Bytes garbage(4 << 20);
  std::mt19937 random(7);
  for (uint8_t& b : garbage) b = uint8_t(random());
  size_t sent = 0;
  StreamReader noise(0, 0, network(garbage, 16384, &sent));
  EXPECT_EQ(decodeMp3(
                noise, [](const int16_t*, uint32_t, uint32_t) { return true; }, [] {}),
            Mp3Outcome::NotMp3);
  EXPECT_LT(sent, StreamReader::kMaxBytesWithoutAudio + 4 * StreamReader::kReadBytes);
}

TEST(RingWriter, AnnouncesAfterOneSecondAndMovesToANewRateOnceTheOldRingHasPlayed) {
  Events events;
  RingWriter writer(events);
  const std::vector<int16_t> block(1000 * 2, 100);
  for (int i = 0; i < 44; ++i)
    ASSERT_EQ(writer.deliver(block.data(), 1000, 44100), RingWriter::Delivery::Written);
  EXPECT_TRUE(events.startedRings.empty());
  writer.postTitles({L"A", L"A", L"B"});
  ASSERT_EQ(writer.deliver(block.data(), 1000, 44100), RingWriter::Delivery::Written);
  ASSERT_EQ(events.startedRings.size(), 1u);
  RadioRing* first = events.startedRings[0].ring;
  EXPECT_EQ(first->sampleRate(), 44100u);
  EXPECT_GE(events.startedRings[0].buffered, 44100u);
  EXPECT_EQ(events.statuses, std::vector<std::wstring>{L""});
  using Titles = std::vector<std::pair<uint64_t, std::wstring>>;
  EXPECT_EQ(events.titles, (Titles{{44000, L"A"}, {44000, L"B"}}));

  // A reconnect at 48 kHz: the new ring waits, with its titles, while the old one plays.
  writer.statusShown();
  for (int i = 0; i < 60; ++i)
    ASSERT_EQ(writer.deliver(block.data(), 1000, 48000), RingWriter::Delivery::Written);
  writer.postTitles({L"C"});
  EXPECT_EQ(events.startedRings.size(), 1u);
  EXPECT_EQ(writer.buffered(), first->buffered() + 60000);
  std::vector<float> drain(2 * 4096);
  while (first->read(drain.data(), 4096) > 0) {
  }
  ASSERT_EQ(writer.deliver(block.data(), 1000, 48000), RingWriter::Delivery::Written);
  ASSERT_EQ(events.startedRings.size(), 2u);
  EXPECT_EQ(events.startedRings[1].ring->sampleRate(), 48000u);
  EXPECT_EQ(events.titles.back(), (std::pair<uint64_t, std::wstring>{60000, L"C"}));
  EXPECT_EQ(events.statuses, (std::vector<std::wstring>{L"", L""}));

  // A full ring waits for room until the stream stops.
  events.maxWaits = 3;
  const uint32_t room = events.startedRings[1].ring->capacity() - 1 - writer.buffered();
  std::vector<int16_t> lots(size_t{room + 10} * 2, 1);
  EXPECT_EQ(writer.deliver(lots.data(), room + 10, 48000), RingWriter::Delivery::Stopped);
  EXPECT_EQ(events.waits, 4);
}
