// The loader's streamed branches end to end: CD tracks through a disc image behind the drive
// seam, M4A/M4B/WMA through Media Foundation, MP3 and M4A URLs from the loopback server; the
// track's audio is drained from its StreamDecoder as the audio callback drains it and compared
// with what it should be.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "base/messages.h"
#include "cd/drive_win.h"
#include "engine/mf/media_probe.h"
#include "engine/source/file_source.h"
#include "engine/stream_decoder.h"
#include "engine/track_loader.h"
#include "tests/support/cd_disc_image.h"
#include "tests/support/files.h"
#include "tests/support/message_window.h"
#include "tests/support/mf_decode.h"
#include "tests/support/ring_reader.h"
#include "tests/support/test_server.h"
#include "tests/support/win_test_support.h"

namespace {

constexpr DWORD kPatienceMs = 30000;
const std::string kAudio = TWK_SOURCE_DIR "/tests/data/audio/";
const std::string kMf = TWK_SOURCE_DIR "/tests/data/mf/";
using ResultPtr = std::unique_ptr<LoadResult>;

class StreamedLoads : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(nullptr, window_.hwnd());
    ASSERT_TRUE(queue_.start(window_.hwnd(), WM_APP_LOAD_DONE));
  }
  void TearDown() override {
    queue_.shutdown();
    cd::setDriveOpener(nullptr);
  }

  ResultPtr load(const std::wstring& path) {
    const int32_t id = ++lastId_;
    EXPECT_TRUE(queue_.submit(LoadKind::PlayNow, path, id, false, 0));
    if (!window_.waitFor([this] { return window_.has(WM_APP_LOAD_DONE); }, kPatienceMs)) {
      ADD_FAILURE() << "no answer for " << std::string(path.begin(), path.end());
      return nullptr;
    }
    ResultPtr result = window_.take<LoadResult>(WM_APP_LOAD_DONE);
    EXPECT_EQ(id, result->trackId);
    return result;
  }

  uint8_t errorFor(const std::wstring& path) {
    ResultPtr r = load(path);
    if (!r) return 0xFF;
    EXPECT_EQ(r->error == kLoadOk, r->track != nullptr);
    return r->error;
  }

  testsupport::MessageWindow window_;
  LoadQueue queue_;
  int32_t lastId_ = 0;
};

TEST_F(StreamedLoads, CdTrackPlaysItsToneFromTheDisc) {
  std::shared_ptr<testcd::DiscImage> disc = testcd::mixedModeDisc();
  cd::setDriveOpener(disc->opener());

  // Track 3 of the disc: 90 sectors at 340, any letter, lower case with an upper-case ending.
  ResultPtr r = load(L"e:\\track03.CDA");
  ASSERT_TRUE(r);
  ASSERT_EQ(kLoadOk, r->error);
  ASSERT_TRUE(r->track);
  EXPECT_TRUE(r->streamed);
  EXPECT_TRUE(r->tags.title.empty());
  StreamDecoder* decoder = r->track->streamDecoder;
  ASSERT_NE(nullptr, decoder);
  EXPECT_EQ(44100u, r->track->sampleRate);
  const uint64_t frames = 90ull * 588;
  EXPECT_EQ(frames, r->track->lengthFrames);

  testsupport::RingReader reader(*decoder);
  std::vector<float> pcm = reader.takeAll();
  EXPECT_EQ(StreamDecoder::DrainResult::Ended, reader.last);
  ASSERT_EQ(frames, pcm.size() / 2);
  uint64_t wrong = 0;
  for (uint64_t f = 0; f < frames; ++f) {
    for (int c = 0; c < 2; ++c) {
      const float want = testcd::toneSample(3, f, c) / 32768.0f;
      if (std::fabs(pcm[f * 2 + c] - want) > 1e-4f) ++wrong;
    }
  }
  EXPECT_EQ(0u, wrong);

  // A seek lands on the frame asked for: WAV seeks are exact.
  decoder->requestSeek(50 * 588 + 7);
  std::vector<float> after = reader.take(100);
  ASSERT_EQ(100u, after.size() / 2);
  EXPECT_NEAR(after[0], testcd::toneSample(3, 50 * 588 + 7, 0) / 32768.0f, 1e-4f);
  EXPECT_NEAR(after[199], testcd::toneSample(3, 50 * 588 + 106, 1) / 32768.0f, 1e-4f);
}

TEST_F(StreamedLoads, CdFailuresMeanNoAudioCd) {
  std::shared_ptr<testcd::DiscImage> disc = testcd::mixedModeDisc();
  cd::setDriveOpener(disc->opener());
  EXPECT_EQ(kLoadNoCd, errorFor(L"D:\\Track01.cda"));  // the data track
  EXPECT_EQ(kLoadNoCd, errorFor(L"D:\\Track05.cda"));  // not on the disc

  disc->tocError = ERROR_NOT_READY;
  EXPECT_EQ(kLoadNoCd, errorFor(L"D:\\Track02.cda"));
  disc->tocError = 0;
  disc->openFails = true;
  EXPECT_EQ(kLoadNoCd, errorFor(L"D:\\Track02.cda"));
}

std::wstring wide(const std::string& s) { return std::wstring(s.begin(), s.end()); }

// Largest difference between the ring's frames and a whole decode from frame `from`, with the
// ring's frames shifted by `lag`.
float worstDifference(const std::vector<float>& got, const testsupport::DecodedAudio& whole,
                      uint64_t from, int64_t lag) {
  float worst = 0;
  for (uint64_t i = 0; i < got.size() / 2; ++i) {
    const int64_t at = int64_t(from + i) + lag;
    if (at < 0 || uint64_t(at) >= whole.frameCount()) return 1e9f;
    for (int c = 0; c < 2; ++c) {
      worst = std::max(worst, std::fabs(got[i * 2 + c] - whole.frames[size_t(at) * 2 + c]));
    }
  }
  return worst;
}

// The same within a codec's tolerance, at the best lag: two decodes of one file are not
// bit-identical, and timestamps may round differently.
float bestDifference(const std::vector<float>& got, const testsupport::DecodedAudio& whole,
                     uint64_t from, int64_t lagTolerance = 1) {
  float best = 1e9f;
  for (int64_t lag = -lagTolerance; lag <= lagTolerance; ++lag) {
    best = std::min(best, worstDifference(got, whole, from, lag));
  }
  return best;
}

// Frequency of one channel of stereo frames by upward zero crossings.
double frequency(const std::vector<float>& pcm, uint32_t rate, int channel = 0) {
  uint64_t crossings = 0, first = 0, last = 0;
  for (size_t i = 1; i < pcm.size() / 2; ++i) {
    if (pcm[(i - 1) * 2 + channel] < 0 && pcm[i * 2 + channel] >= 0) {
      if (crossings++ == 0) first = i;
      last = i;
    }
  }
  return crossings > 1 ? double(crossings - 1) * rate / double(last - first) : 0;
}

TEST_F(StreamedLoads, MediaFoundationFilesPlayThroughTheRingAsTheyDecode) {
  for (const char* name : {"stereo.m4a", "mono.m4a", "chapters.m4b", "stereo.wma",
                           "six_channel.m4a", "exact_length.m4a"}) {
    SCOPED_TRACE(name);
    const std::wstring path = wide(kMf + name);
    ResultPtr r = load(path);
    ASSERT_TRUE(r);
    ASSERT_EQ(kLoadOk, r->error);
    ASSERT_TRUE(r->track);
    EXPECT_TRUE(r->streamed);
    StreamDecoder* decoder = r->track->streamDecoder;
    ASSERT_NE(nullptr, decoder);
    EXPECT_FALSE(decoder->lengthIsEstimate);
    EXPECT_TRUE(decoder->seekable());

    const testsupport::DecodedAudio whole = testsupport::decodeFile(path);
    ASSERT_EQ(mf::OpenOutcome::Ok, whole.outcome);
    EXPECT_EQ(whole.rate, r->track->sampleRate);
    EXPECT_EQ(whole.length, r->track->lengthFrames);

    testsupport::RingReader reader(*decoder);
    const std::vector<float> pcm = reader.takeAll();
    EXPECT_EQ(StreamDecoder::DrainResult::Ended, reader.last);
    // Playback delivers the same frames as a decode of the whole file, never past the length
    // (GStreamer under Wine may end up to one AAC frame early).
    ASSERT_EQ(whole.frameCount(), pcm.size() / 2);
    EXPECT_LE(pcm.size() / 2, r->track->lengthFrames);
    if (std::string(name) == "stereo.wma") {
      // Two decodes of this WMA under Wine differ: GStreamer's decoder sometimes gives its
      // channels in the other order. Its two tones instead.
      const std::vector<float> middle(pcm.begin() + pcm.size() / 4, pcm.end() - pcm.size() / 4);
      const double left = frequency(middle, whole.rate, 0);
      const double right = frequency(middle, whole.rate, 1);
      EXPECT_NEAR(1100, left + right, 11);
      EXPECT_NEAR(220, std::fabs(left - right), 11);
    } else {
      EXPECT_LT(bestDifference(pcm, whole, 0), 0.01f);
    }
    if (std::string(name) == "mono.m4a") {
      for (size_t i = 0; i < pcm.size(); i += 2) ASSERT_EQ(pcm[i], pcm[i + 1]) << i / 2;
    }
    if (std::string(name) == "exact_length.m4a") {
      uint32_t error = 0;
      auto file = source::FileSource::open(path, error);
      ASSERT_TRUE(file);
      uint64_t exact = 0;
      ASSERT_TRUE(mf::mp4ExactFrames(*file, r->track->sampleRate, exact));
      EXPECT_EQ(exact, r->track->lengthFrames);
      EXPECT_EQ(exact, pcm.size() / 2);
    }
    if (std::string(name) == "chapters.m4b") {
      EXPECT_EQ(2u, r->tags.chapters.size());
    }
  }
}

TEST_F(StreamedLoads, SeeksInAnM4aDeliverTheFrameAtTheTarget) {
  const std::wstring path = wide(kMf + "stereo.m4a");
  const testsupport::DecodedAudio whole = testsupport::decodeFile(path);
  ASSERT_EQ(mf::OpenOutcome::Ok, whole.outcome);
  ResultPtr r = load(path);
  ASSERT_TRUE(r && r->track && r->track->streamDecoder);
  StreamDecoder& decoder = *r->track->streamDecoder;
  testsupport::RingReader reader(decoder);
  ASSERT_EQ(1000u, reader.take(1000).size() / 2);

  const uint64_t n = whole.length;
  for (uint64_t target : {n / 2 + 1001, uint64_t{3000}, uint64_t{whole.rate} / 2 + 17, n - 1500}) {
    SCOPED_TRACE(target);
    decoder.requestSeek(target);
    const std::vector<float> got = reader.take(1024);
    ASSERT_EQ(std::min<uint64_t>(1024, n - target), got.size() / 2);
    EXPECT_EQ(target + got.size() / 2, reader.track.positionFrames);
    // AAC timestamps round to a frame.
    EXPECT_LT(bestDifference(got, whole, target, 1), 0.01f);
  }
}

TEST_F(StreamedLoads, ProtectedAndDamagedMediaFoundationFiles) {
  EXPECT_EQ(kLoadProtected, errorFor(wide(kMf + "protected.wma")));
  EXPECT_EQ(kLoadProtected, errorFor(wide(kMf + "protected_in_extension.wma")));
  testsupport::TempFolder dir;
  EXPECT_EQ(kLoadNotPlayable, errorFor(dir.write(L"text.m4a", std::string(5000, 'x'))));

  // What can be decoded plays, and the data ends.
  for (const char* name : {"truncated_mdat.m4a", "garbage_after_moov.m4a", "half.wma"}) {
    SCOPED_TRACE(name);
    ResultPtr r = load(wide(kMf + name));
    ASSERT_TRUE(r);
    if (r->error != kLoadOk) {
      EXPECT_EQ(kLoadNotPlayable, r->error);
      continue;
    }
    testsupport::RingReader reader(*r->track->streamDecoder);
    const std::vector<float> pcm = reader.takeAll();
    EXPECT_EQ(StreamDecoder::DrainResult::Ended, reader.last);
    EXPECT_LE(pcm.size() / 2, r->track->lengthFrames);
  }
}

// Serves tests/data/audio and tests/data/mf by their file names.
class UrlLoads : public StreamedLoads {
 protected:
  static void SetUpTestSuite() {
    server_ = new testsupport::TestServer(
        "http_server.py", {"--root", TWK_UNIX_AUDIO_DATA, "--root", TWK_UNIX_MF_DATA});
  }
  static void TearDownTestSuite() { delete server_; }
  void SetUp() override {
    ASSERT_TRUE(server_->ok()) << server_->error();
    StreamedLoads::SetUp();
  }
  static std::wstring url(const std::wstring& path) { return server_->url(path); }
  static testsupport::TestServer* server_;
};
testsupport::TestServer* UrlLoads::server_ = nullptr;

std::string narrow(const std::wstring& s) { return std::string(s.begin(), s.end()); }

TEST_F(UrlLoads, Mp3PlaysAndSeeksByAnEstimatedByteOffset) {
  std::string ignored;
  server_->get(L"/_clear", ignored);
  // 20 s whose tone rises 100 Hz every second from 300 Hz.
  ResultPtr r = load(url(L"/file/steps20.mp3"));
  ASSERT_TRUE(r);
  ASSERT_EQ(kLoadOk, r->error) << narrow(r->message);
  ASSERT_TRUE(r->track && r->track->streamDecoder);
  EXPECT_TRUE(r->streamed);
  EXPECT_TRUE(r->tags.title.empty());
  StreamDecoder& decoder = *r->track->streamDecoder;
  EXPECT_TRUE(decoder.lengthIsEstimate);
  EXPECT_TRUE(decoder.seekable());
  const uint32_t rate = r->track->sampleRate;
  ASSERT_EQ(44100u, rate);
  EXPECT_NEAR(20.0 * rate, double(r->track->lengthFrames), 0.1 * rate);

  testsupport::RingReader reader(decoder);
  EXPECT_NEAR(300, frequency(reader.take(rate / 2), rate), 10);
  // The stream information and the decoder that starts again at byte 0 share the first request.
  std::vector<testsupport::LoggedRequest> requests =
      testsupport::loggedRequests(*server_, L"/file/steps20.mp3");
  ASSERT_EQ(1u, requests.size());
  EXPECT_EQ("bytes=0-", requests[0].range);

  // Seeks land within a second of the target: the tone tells the second they landed in.
  for (double seconds : {12.5, 3.5, 17.5}) {
    SCOPED_TRACE(seconds);
    const uint64_t target = uint64_t(seconds * rate);
    decoder.requestSeek(target);
    const std::vector<float> got = reader.take(rate / 10);
    ASSERT_EQ(rate / 10, got.size() / 2);
    EXPECT_EQ(target + rate / 10, reader.track.positionFrames);
    EXPECT_NEAR(300 + 100 * std::floor(seconds), frequency(got, rate), 110);
  }
  // The last seek was answered by a ranged request well into the file.
  requests = testsupport::loggedRequests(*server_, L"/file/steps20.mp3");
  ASSERT_FALSE(requests.empty());
  EXPECT_NE("-", requests.back().range);
  EXPECT_NE("bytes=0-", requests.back().range);

  const std::vector<float> rest = reader.takeAll();
  EXPECT_EQ(StreamDecoder::DrainResult::Ended, reader.last);
  EXPECT_NEAR(2.4 * rate, double(rest.size() / 2), 0.5 * rate);
}

// A server that dies mid-transfer while the decoder waits on its stalled body: the source
// retries against the refused port, gives up, and the track ends with what came. Releasing it
// then (the source's cancel) must not meet a late completion of the dropped read either.
TEST_F(StreamedLoads, ServerKilledDuringAStalledBodyEndsTheTrack) {
  testsupport::TestServer server("http_server.py", {"--root", TWK_UNIX_AUDIO_DATA});
  ASSERT_TRUE(server.ok()) << server.error();
  // 64 kbit/s: the stall comes after 12.5 s of audio, well after what the load reads.
  // The drop resets the connection under a pending read, which WinHTTP fails.
  ResultPtr r = load(server.url(L"/file/steps20.mp3?stall=100000&drop=reset"));
  ASSERT_TRUE(r);
  ASSERT_EQ(kLoadOk, r->error) << narrow(r->message);
  ASSERT_TRUE(r->track && r->track->streamDecoder);
  const uint32_t rate = r->track->sampleRate;
  testsupport::RingReader reader(*r->track->streamDecoder);
  const size_t first = reader.take(rate).size() / 2;
  ASSERT_EQ(rate, first);
  ASSERT_TRUE(server.kill());
  const size_t rest = reader.takeAll().size() / 2;
  EXPECT_EQ(StreamDecoder::DrainResult::Ended, reader.last);
  // What had come before the drop, less what arrived in the read the drop broke off.
  EXPECT_LE(double(first + rest), 12.6 * rate);
  EXPECT_GE(double(first + rest), 1.0 * rate);
  r.reset();
}

// Hostile servers while an MP3 URL plays (steps20.mp3: 20 s, 160,515 bytes): each ends in
// a plain result, never a crash or a hang, and the track can always be let go at once.
TEST_F(UrlLoads, HostileServersEndInAPlainResult) {
  const struct {
    const wchar_t* query;
    double minSeconds, maxSeconds;  // what plays before the data ends; 0, 0: it never ends
  } playing[] = {
      // Resumed after the reset, nothing lost. The small send buffer puts the reset past what
      // the socket buffers hold, so it always lands after the client has read the headers.
      {L"reset=140000&sndbuf=4096", 19.5, 20.5},
      {L"ranges=0&lie=-50000", 13.0, 14.2},  // ends at the announced length
      {L"ranges=0&lie=50000", 19.5, 20.5},   // retried, then ends where the body does
      {L"pad=100000", 19.5, 20.5},           // 100 KB of headers (Wine has no limit)
      {L"ranges=0&endless=1", 0, 0},         // the file over and over
      {L"stall=headers&after=1", 0, 0},      // answers nothing once the seek reopens
  };
  for (const auto& c : playing) {
    SCOPED_TRACE(narrow(c.query));
    std::string ignored;
    server_->get(L"/_clear", ignored);
    ResultPtr r = load(url(L"/file/steps20.mp3?") + c.query);
    ASSERT_TRUE(r);
    ASSERT_EQ(kLoadOk, r->error) << narrow(r->message);
    StreamDecoder& decoder = *r->track->streamDecoder;
    const uint32_t rate = r->track->sampleRate;
    testsupport::RingReader reader(decoder);
    if (c.maxSeconds > 0) {
      const double seconds = double(reader.takeAll().size() / 2) / rate;
      EXPECT_EQ(StreamDecoder::DrainResult::Ended, reader.last);
      if (std::wstring(c.query).find(L"reset") != std::wstring::npos) {
        // The first request and the one that resumed after the reset.
        EXPECT_EQ(2u, testsupport::loggedRequests(*server_, L"/file/steps20.mp3").size());
      }
      EXPECT_GE(seconds, c.minSeconds);
      EXPECT_LE(seconds, c.maxSeconds);
    } else if (std::wstring(c.query).find(L"endless") != std::wstring::npos) {
      // It may end where the file starts again; it never ends before.
      EXPECT_LE(uint64_t(20) * rate, reader.take(30 * rate).size() / 2);
    } else {
      ASSERT_EQ(rate, reader.take(rate).size() / 2);
      decoder.requestSeek(rate / 2);  // behind what was read: a new request
      // It waits for headers that never come.
      ASSERT_TRUE(testsupport::pumpUntil(
          [&] { return testsupport::loggedRequests(*server_, L"/file/steps20.mp3").size() >= 2; },
          kPatienceMs));
    }
    // Stop: the release cancels whatever the source waits for (generous bound; 15 s would be
    // the receive time-out).
    const DWORD before = GetTickCount();
    r.reset();
    EXPECT_LT(GetTickCount() - before, 5000u);
  }
}

TEST_F(UrlLoads, M4aPlaysThroughMediaFoundation) {
  const testsupport::DecodedAudio whole = testsupport::decodeFile(wide(kMf + "stereo.m4a"));
  ASSERT_EQ(mf::OpenOutcome::Ok, whole.outcome);
  for (const wchar_t* path : {L"/file/stereo.m4a?ctype=Audio/MP4;%20x=1", L"/file/stereo.m4a"}) {
    SCOPED_TRACE(narrow(path));
    ResultPtr r = load(url(path));
    ASSERT_TRUE(r);
    ASSERT_EQ(kLoadOk, r->error) << narrow(r->message);
    ASSERT_TRUE(r->track && r->track->streamDecoder);
    EXPECT_FALSE(r->track->streamDecoder->lengthIsEstimate);
    EXPECT_EQ(whole.rate, r->track->sampleRate);
    EXPECT_EQ(whole.length, r->track->lengthFrames);
    testsupport::RingReader reader(*r->track->streamDecoder);
    const std::vector<float> pcm = reader.takeAll();
    ASSERT_EQ(whole.frameCount(), pcm.size() / 2);
    EXPECT_LT(bestDifference(pcm, whole, 0), 0.01f);
  }
}

TEST_F(UrlLoads, NetworkFailuresCarryTheirTexts) {
  const struct {
    std::wstring url;
    const wchar_t* text;
  } cases[] = {
      {url(L"/file/missing.mp3"), L"The server answered HTTP 404"},
      {L"http://127.0.0.1:1/x.mp3", L"Can't reach the server"},
      {L"http://127.0.0.1/a b.mp3", L"Not a valid http:// or https:// address"},
      {url(L"/gen/0/empty.mp3"), L"The episode is empty"},
      {url(L"/file/steps20.mp3?first=5"), L"The server sent the wrong part of the file"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(narrow(c.url));
    ResultPtr r = load(c.url);
    ASSERT_TRUE(r);
    EXPECT_EQ(kLoadNetworkError, r->error);
    EXPECT_EQ(c.text, r->message);
    EXPECT_EQ(nullptr, r->track);
  }
  // Not MP3 at all: no frame is found.
  EXPECT_EQ(kLoadNotPlayable, errorFor(url(L"/gen/100000/noise.mp3")));
}

}  // namespace
