// The loader's streamed branches end to end: CD tracks through a disc image behind the drive
// seam; the track's audio is drained from its StreamDecoder as the audio callback drains it.
#include <gtest/gtest.h>

#include <windows.h>

#include <cmath>
#include <memory>

#include "base/messages.h"
#include "engine/stream_decoder.h"
#include "engine/track_loader.h"
#include "tests/support/cd_disc_image.h"
#include "tests/support/message_window.h"
#include "tests/support/ring_reader.h"

namespace {

constexpr DWORD kPatienceMs = 30000;
using ResultPtr = std::unique_ptr<LoadResult>;

class StreamedLoads : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(nullptr, window_.hwnd());
    ASSERT_TRUE(queue_.start(window_.hwnd(), WM_APP_LOAD_DONE));
  }
  void TearDown() override {
    queue_.shutdown();
    setCdDriveOpenerForTest(nullptr);
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
  setCdDriveOpenerForTest(disc->opener());

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
  setCdDriveOpenerForTest(disc->opener());
  EXPECT_EQ(kLoadNoCd, errorFor(L"D:\\Track01.cda"));  // the data track
  EXPECT_EQ(kLoadNoCd, errorFor(L"D:\\Track05.cda"));  // not on the disc

  disc->tocError = ERROR_NOT_READY;
  EXPECT_EQ(kLoadNoCd, errorFor(L"D:\\Track02.cda"));
  disc->tocError = 0;
  disc->openFails = true;
  EXPECT_EQ(kLoadNoCd, errorFor(L"D:\\Track02.cda"));
}

}  // namespace
