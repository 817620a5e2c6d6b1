#include "player/playback_rules.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

using namespace std::literals;

namespace {

TEST(PlaybackRules, LoadErrorsHaveTheirTexts) {
  EXPECT_EQ(loadErrorText(3, L"ignored"s), L"The file is empty"s);
  EXPECT_EQ(loadErrorText(4, L""s), L"Not a playable MP3, WAV, FLAC, M4A or WMA file"s);
  EXPECT_EQ(loadErrorText(7, L"Server said no"s), L"Server said no"s);
  EXPECT_EQ(loadErrorText(9, L""s), L"Protected (DRM) file, can't play"s);
  EXPECT_EQ(loadErrorText(0, L"x"s), L""s);
  EXPECT_EQ(loadErrorText(200, L"x"s), L""s);
}

TEST(PlaybackRules, DisplayTitleNeedsATagTitle) {
  TagInfo tags;
  tags.artist = L"Band"s;
  EXPECT_EQ(displayTitle(tags), L""s);  // an artist alone is no title
  tags.title = L"Song"s;
  EXPECT_EQ(displayTitle(tags), L"Band - Song"s);
  tags.artist.clear();
  EXPECT_EQ(displayTitle(tags), L"Song"s);
}

TEST(PlaybackRules, TimeConversionsAreExactAndDoNotOverflow) {
  EXPECT_EQ(framesToMs(44100, 44100), 1000u);
  EXPECT_EQ(framesToMs(44099, 44100), 999u);
  EXPECT_EQ(framesToMs(12345, 0), 0u);
  EXPECT_EQ(msToFrames(4500, 48000), 216000u);
  EXPECT_EQ(msToFrames(1, 44100), 45u);  // rounded up, so that it reads back as 1 ms
  // Positions of a week at a high rate stay exact.
  const uint64_t week = 604800000;
  EXPECT_EQ(framesToMs(msToFrames(week, 384000), 384000), week);
  EXPECT_EQ(framesToMs(UINT64_MAX, 1000), UINT64_MAX);
  EXPECT_EQ(framesToMs(UINT64_MAX - (UINT64_MAX % 48000), 48000), (UINT64_MAX / 48000) * 1000);
}

TEST(PlaybackRules, APositionSetInMillisecondsReadsBackTheSame) {
  for (uint32_t rate : {1000u, 8000u, 11025u, 22050u, 44100u, 48000u, 96000u}) {
    for (uint64_t ms = 0; ms < 3000; ++ms) {
      ASSERT_EQ(framesToMs(msToFrames(ms, rate), rate), ms) << rate << " Hz";
    }
  }
}

TEST(PlaybackRules, ChaptersKeepAscendingStartsInsideTheTrack) {
  std::vector<Chapter> from = {{0, L"Intro"s},   {5000, L""s},     {5000, L"Again"s},
                               {3000, L"Back"s}, {9000, L"Late"s}, {20000, L"Past end"s}};
  std::vector<Chapter> kept;
  std::vector<uint32_t> starts;
  keepChapters(from, 10000, kept, starts);
  ASSERT_EQ(starts, (std::vector<uint32_t>{0, 5000, 9000}));
  EXPECT_EQ(kept[2].title, L"Late"s);
  EXPECT_EQ(chapterName(kept, 1), L"Chapter 2"s);
  EXPECT_EQ(chapterName(kept, 0), L"Intro"s);

  // One chapter, or chapters that all start after the end, show none.
  keepChapters({{0, L"Only"s}, {12000, L"After"s}}, 10000, kept, starts);
  EXPECT_TRUE(kept.empty());
  EXPECT_TRUE(starts.empty());
}

TEST(PlaybackRules, VolumeFollowsTheWheelInWholeNotches) {
  WheelAccumulator wheel;
  EXPECT_EQ(wheel.add(60), 0);  // half a notch waits
  EXPECT_EQ(wheel.add(60), 1);
  EXPECT_EQ(wheel.add(360), 3);
  EXPECT_EQ(wheel.add(-180), -1);
  EXPECT_EQ(wheel.remainder(), -60);
  EXPECT_EQ(wheel.add(-60), -1);
  EXPECT_EQ(wheel.remainder(), 0);
  // Extreme deltas neither overflow nor lose the remainder's sign.
  WheelAccumulator flood;
  for (int i = 0; i < 4; ++i) flood.add(INT32_MAX);
  EXPECT_GE(flood.remainder(), 0);
  EXPECT_LT(flood.remainder(), kWheelDelta);

  EXPECT_EQ(clampVolume(105), 100);
  EXPECT_EQ(clampVolume(-5), 0);
  EXPECT_FLOAT_EQ(gainForVolume(50), 0.125f);
  EXPECT_FLOAT_EQ(gainForVolume(100), 1.0f);
  EXPECT_FLOAT_EQ(gainForVolume(0), 0.0f);
}

TEST(PlaybackRules, RemovedRowsMapLateTitlesToTheirRows) {
  // Scan rows 0..7; the user removes row 1, then row 2 (scan index 3), then row 0.
  std::vector<uint64_t> removed;
  recordRemovedScanIndex(removed, 1);
  recordRemovedScanIndex(removed, 2);
  EXPECT_EQ(removed, (std::vector<uint64_t>{1, 3}));
  recordRemovedScanIndex(removed, 0);
  EXPECT_EQ(removed, (std::vector<uint64_t>{0, 1, 3}));
  // Rows left: scan 2, 4, 5, 6, 7.
  EXPECT_EQ(rowForScanIndex(removed, 2), 0);
  EXPECT_EQ(rowForScanIndex(removed, 4), 1);
  EXPECT_EQ(rowForScanIndex(removed, 7), 4);
  EXPECT_EQ(rowForScanIndex(removed, 0), -1);
  EXPECT_EQ(rowForScanIndex(removed, 3), -1);
  // Removing the new last row (scan 7) and then row 1 (scan 4).
  recordRemovedScanIndex(removed, 4);
  recordRemovedScanIndex(removed, 1);
  EXPECT_EQ(removed, (std::vector<uint64_t>{0, 1, 3, 4, 7}));
  EXPECT_EQ(rowForScanIndex(removed, 5), 1);
  EXPECT_EQ(rowForScanIndex(removed, 6), 2);
}

TEST(PlaybackRules, IndicesFollowARemovedRow) {
  EXPECT_EQ(indexAfterRemoval(4, 4), -1);
  EXPECT_EQ(indexAfterRemoval(5, 4), 4);
  EXPECT_EQ(indexAfterRemoval(3, 4), 3);
  EXPECT_EQ(indexAfterRemoval(-1, 0), -1);
}

}  // namespace
