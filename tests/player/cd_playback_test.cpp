// Audio CDs through the real Player: the generated disc image stands in for the drive (the
// same image behind the reading thread and the track loader), and what the audio output
// plays is captured by ALSA.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "base/messages.h"
#include "base/settings_file.h"
#include "cd/drive_win.h"
#include "engine/audio_output.h"
#include "miniaudio.h"
#include "player/player.h"
#include "tests/support/audio_capture.h"
#include "tests/support/cd_disc_image.h"
#include "tests/support/files.h"
#include "tests/support/player_host.h"

namespace {

using testsupport::PlayerHost;

// The disc image in place of the drives for one test.
class ImageInDrive {
 public:
  explicit ImageInDrive(std::shared_ptr<testcd::DiscImage> disc) : disc_(std::move(disc)) {
    cd::setDriveOpener(disc_->opener());
  }
  ~ImageInDrive() { cd::setDriveOpener(nullptr); }
  testcd::DiscImage& operator*() const { return *disc_; }
  testcd::DiscImage* operator->() const { return disc_.get(); }

 private:
  std::shared_ptr<testcd::DiscImage> disc_;
};

std::vector<std::wstring> rows(const Player& p) {
  std::vector<std::wstring> out;
  for (size_t i = 0; i < p.trackList().size(); ++i) {
    out.push_back(std::wstring(p.trackList().path(i)) + L" " +
                  std::wstring(p.trackList().displayName(i)));
  }
  return out;
}

TEST(PlayerCd, ADiscBecomesTheListAndAFailedReadIsANotice) {
  ImageInDrive disc(testcd::mixedModeDisc());
  PlayerHost host;
  ASSERT_TRUE(host.ok());
  Player& p = host.player();

  p.playCd(L'q');
  EXPECT_NE(p.view().cdRequestId, 0);
  ASSERT_TRUE(host.waitFor([&] { return p.view().cdRequestId == 0; }, "the disc read"));
  EXPECT_EQ(rows(p), (std::vector<std::wstring>{L"Q:\\Track02.cda The Testers - Second",
                                                L"Q:\\Track03.cda Track 03",
                                                L"Q:\\Track04.cda Guest - Fourth"}));
  EXPECT_EQ(p.view().cdDrive, L'Q');
  EXPECT_EQ(p.view().listScanId, 0u);
  EXPECT_EQ(p.trackList().current, 0);
  EXPECT_EQ(p.view().load.path, L"Q:\\Track02.cda");
  // The list was saved, but a CD track is no place to come back to.
  EXPECT_EQ(loadSettings(host.settingsPath()).lastTrackPath, L"");

  // A disc that cannot be read leaves the list alone and says why.
  disc->openFails = true;
  p.playCd(L'Q');
  ASSERT_TRUE(host.waitFor([&] { return p.view().cdRequestId == 0; }, "the failed read"));
  EXPECT_EQ(p.view().notice.text, L"Can't open drive Q:");
  EXPECT_TRUE(p.view().noticeActive);
  EXPECT_EQ(p.trackList().size(), 3u);

  // Audiobook mode plays no CD; back in the library the disc's list and drive return.
  p.setAudiobookMode(true);
  EXPECT_EQ(p.view().cdDrive, 0);
  p.playCd(L'Q');
  EXPECT_EQ(p.view().cdRequestId, 0);
  p.setAudiobookMode(false);
  EXPECT_EQ(p.view().cdDrive, L'Q');
  EXPECT_EQ(p.trackList().size(), 3u);

  // An answer to a read that was replaced is dropped (and freed); a folder opened meanwhile
  // forgets the read and replaces the disc.
  disc->openFails = false;
  disc->blockToc = true;
  p.playCd(L'Q');
  ASSERT_TRUE(host.waitFor([&] { return disc->tocEntered(); }, "the read blocked"));
  const long reading = cd::DiscResult::live();  // the blocked read's own record
  auto stale = std::make_unique<cd::DiscResult>();
  stale->id = p.view().cdRequestId - 1;
  stale->letter = L'R';
  stale->tracks.push_back({1, 0, 100});
  ASSERT_TRUE(postRecord(host.window(), WM_APP_CD_DONE, stale));
  ASSERT_TRUE(host.waitFor([&] { return cd::DiscResult::live() == reading; }, "the stale answer"));
  EXPECT_EQ(p.view().cdDrive, L'Q');
  EXPECT_NE(p.view().cdRequestId, 0);

  testsupport::TempFolder empty;
  p.openPath(empty.root(), false, false);
  EXPECT_EQ(p.view().cdRequestId, 0);
  ASSERT_TRUE(host.waitFor([&] { return p.view().pendingScanId == 0; }, "the folder"));
  EXPECT_EQ(p.view().cdDrive, 0);
  EXPECT_EQ(p.trackList().size(), 0u);

  // An answer still queued at shutdown is freed with the rest.
  auto late = std::make_unique<cd::DiscResult>();
  ASSERT_TRUE(postRecord(host.window(), WM_APP_CD_DONE, late));
  host.destroy();
  EXPECT_EQ(cd::DiscResult::live(), 0);
}

using Frame = std::array<float, 2>;

// A track's frames as the output plays them at gain 1, from `from` to `to`.
void appendTone(std::vector<Frame>& out, uint32_t track, uint64_t from, uint64_t to) {
  for (uint64_t f = from; f < to; ++f) {
    out.push_back(
        {testcd::toneSample(track, f, 0) / 32768.0f, testcd::toneSample(track, f, 1) / 32768.0f});
  }
}

bool silent(const Frame& f) { return f[0] == 0.0f && f[1] == 0.0f; }

bool same(const Frame& a, const Frame& b) {
  return std::fabs(a[0] - b[0]) < 1e-5f && std::fabs(a[1] - b[1]) < 1e-5f;
}

// The frames as the output hands them to a device at `rate`: through a linear resampler set
// up as the output sets up its own, started afresh as the output starts it for a new track
// or after a seek (a gapless switch keeps it running).
std::vector<Frame> atDeviceRate(const std::vector<Frame>& in, uint32_t rate) {
  if (rate == 44100) return in;
  ma_linear_resampler_config config = ma_linear_resampler_config_init(ma_format_f32, 2, rate, rate);
  config.lpfOrder = AudioOutput::kLpfOrder;
  ma_linear_resampler resampler;
  if (ma_linear_resampler_init(&config, nullptr, &resampler) != MA_SUCCESS) return {};
  ma_linear_resampler_set_rate(&resampler, 44100, rate);
  ma_uint64 inFrames = in.size();
  ma_uint64 outFrames = in.size() * rate / 44100 + 64;
  std::vector<Frame> out(outFrames);
  ma_linear_resampler_process_pcm_frames(&resampler, in.data(), &inFrames, out.data(), &outFrames);
  ma_linear_resampler_uninit(&resampler, nullptr);
  out.resize(outFrames);
  return out;
}

// Walks the capture from `at` along `expected`: every frame must come in order, the same to
// float rounding; the only thing allowed between them is silence the device inserted
// (start-up, a seek, a late period). Returns how many expected frames matched; `at` ends
// after the last match. After a seek both channels start from a cleared resampler.
size_t follow(const std::vector<Frame>& captured, size_t& at, const std::vector<Frame>& expected) {
  size_t matched = 0;
  while (at < captured.size() && matched < expected.size()) {
    if (same(captured[at], expected[matched])) {
      ++matched;
    } else if (silent(expected[matched])) {
      ++matched;  // a track starts on silence, a fresh resampler starts on it
      continue;
    } else if (!silent(captured[at])) {
      break;
    }
    ++at;
  }
  return matched;
}

bool onlySilenceFrom(const std::vector<Frame>& captured, size_t at) {
  for (; at < captured.size(); ++at) {
    if (!silent(captured[at])) return false;
  }
  return true;
}

constexpr uint64_t kSectorFrames = 588;

// Three audio tracks: 60, 300 and 60 sectors (the second four seconds long).
std::shared_ptr<testcd::DiscImage> threeTrackDisc() {
  return testcd::DiscImage::make({{1, 0}, {2, 60}, {3, 360}}, 420);
}

uint32_t defaultDeviceRate() {
  AudioOutput probe;
  return probe.openDevice() ? probe.outputRate() : 0;
}

// A player over the disc image, and what it plays at the default device's rate.
struct PlayedDisc {
  explicit PlayedDisc(std::shared_ptr<testcd::DiscImage> image) : drive(std::move(image)) {}
  ImageInDrive drive;
  uint32_t rate = defaultDeviceRate();
  testsupport::AudioCapture capture;  // after the probe, which would have written to it
  PlayerHost host;

  std::vector<Frame> captured() const {
    const std::vector<float> samples = capture.samples();
    std::vector<Frame> out(samples.size() / 2);
    std::memcpy(out.data(), samples.data(), out.size() * sizeof(Frame));
    return out;
  }

  std::vector<Frame> tones(const std::vector<std::array<uint64_t, 3>>& pieces) const {
    std::vector<Frame> in;
    for (const auto& [track, from, to] : pieces) appendTone(in, uint32_t(track), from, to);
    return atDeviceRate(in, rate);
  }
};

// At the device's own rate every frame is exact; through the resampler the last frames of
// the disc may stay in its filter.
constexpr size_t kResamplerTail = 4;

TEST(PlayerCdAudio, TheDiscPlaysGaplesslyWithABadSectorAsSilence) {
  PlayedDisc run(threeTrackDisc());
  if (!run.capture.available()) GTEST_SKIP() << "TWK_AUDIO_CAPTURE is not set";
  ASSERT_TRUE(run.host.ok());
  ASSERT_NE(run.rate, 0u);
  Player& p = run.host.player();
  run.drive->failSector(60 + 100, 4);  // the batch read and all three rereads fail

  p.playCd(L'Q');
  ASSERT_TRUE(run.host.waitFor([&] { return p.view().playState == PlayState::Stopped; },
                               "the end of the disc"));
  EXPECT_EQ(run.host.played, (std::vector<std::wstring>{L"Q:\\Track01.cda", L"Q:\\Track02.cda",
                                                        L"Q:\\Track03.cda"}));
  // The first track taken, then two gapless switches to the prepared tracks: no track was
  // loaded twice.
  EXPECT_EQ(p.view().outputSwitches, 3);
  EXPECT_EQ(p.view().nextId, 4);
  EXPECT_EQ(p.view().statusMessage, L"");
  run.host.destroy();

  std::vector<Frame> in;
  appendTone(in, 1, 0, 60 * kSectorFrames);
  appendTone(in, 2, 0, 300 * kSectorFrames);
  std::fill_n(in.begin() + (60 + 100) * kSectorFrames, kSectorFrames, Frame{0, 0});
  appendTone(in, 3, 0, 60 * kSectorFrames);
  const std::vector<Frame> expected = atDeviceRate(in, run.rate);
  const std::vector<Frame> captured = run.captured();
  size_t at = 0;
  EXPECT_GE(follow(captured, at, expected) + kResamplerTail, expected.size())
      << "captured " << captured.size() << " frames at " << run.rate << " Hz";
  EXPECT_TRUE(onlySilenceFrom(captured, at));
}

TEST(PlayerCdAudio, ASeekLandsOnItsFrameAndAnEjectedDiscFails) {
  {
    PlayedDisc run(threeTrackDisc());
    if (!run.capture.available()) GTEST_SKIP() << "TWK_AUDIO_CAPTURE is not set";
    ASSERT_TRUE(run.host.ok());
    Player& p = run.host.player();
    p.playCd(L'Q');
    ASSERT_TRUE(run.host.waitFor(
        [&] {
          return p.view().playing.index == 1 && p.view().positionFrames > 4410 &&
                 p.view().positionFrames < 44100;
        },
        "the second track under way"));
    p.seekTo(3000);
    ASSERT_TRUE(run.host.waitFor([&] { return p.view().playState == PlayState::Stopped; },
                                 "the end of the disc"));
    run.host.destroy();

    const std::vector<Frame> before =
        run.tones({{1, 0, 60 * kSectorFrames}, {2, 0, 300 * kSectorFrames}});
    const std::vector<Frame> after =
        run.tones({{2, 3 * 44100, 300 * kSectorFrames}, {3, 0, 60 * kSectorFrames}});
    const std::vector<Frame> captured = run.captured();
    size_t at = 0;
    const size_t played = follow(captured, at, before);
    EXPECT_GT(played, run.tones({{1, 0, 60 * kSectorFrames}}).size());
    EXPECT_LT(played, run.tones({{1, 0, 60 * kSectorFrames}, {2, 0, 3 * 44100}}).size());
    EXPECT_GE(follow(captured, at, after) + kResamplerTail, after.size());
    EXPECT_TRUE(onlySilenceFrom(captured, at));
  }

  PlayedDisc run(threeTrackDisc());
  ASSERT_TRUE(run.host.ok());
  Player& p = run.host.player();
  run.drive->ejectAt(60 + 150);
  p.playCd(L'Q');
  ASSERT_TRUE(run.host.waitFor([&] { return p.view().playState == PlayState::Failed; },
                               "the ejection noticed"));
  EXPECT_EQ(p.view().statusMessage, L"The disc was ejected");
  EXPECT_EQ(p.view().playing.path, L"Q:\\Track02.cda");
  EXPECT_EQ(p.view().preload.id, -1);
  EXPECT_EQ(p.view().prepared.id, -1);
  run.host.destroy();

  // The first track whole, then the second at most up to the batch the ejection took.
  const std::vector<Frame> expected =
      run.tones({{1, 0, 60 * kSectorFrames}, {2, 0, 144 * kSectorFrames}});
  const std::vector<Frame> captured = run.captured();
  size_t at = 0;
  EXPECT_GT(follow(captured, at, expected), run.tones({{1, 0, 60 * kSectorFrames}}).size());
  EXPECT_TRUE(onlySilenceFrom(captured, at));
}

}  // namespace
