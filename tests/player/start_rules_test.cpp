#include "player/start_rules.h"

#include <gtest/gtest.h>

namespace {

LogSummary loggedAt(const std::wstring& path, uint64_t ms) {
  LogSummary summary;
  summary.endedCleanly = false;
  summary.hasLastPosition = true;
  summary.lastPath = path;
  summary.lastPositionMs = ms;
  return summary;
}

TEST(LogCorrection, SameTrackMoreThanTwoSecondsAwayInEitherDirection) {
  const std::wstring track = L"C:\\Books\\Dune\\01.m4b";
  uint64_t position = 60000;
  EXPECT_FALSE(correctFromLog(loggedAt(track, 62000), track, position));
  EXPECT_FALSE(correctFromLog(loggedAt(track, 58000), track, position));
  EXPECT_EQ(position, 60000u);
  EXPECT_TRUE(correctFromLog(loggedAt(L"c:\\books\\DUNE\\01.M4B", 62001), track, position));
  EXPECT_EQ(position, 62001u);
  position = 60000;
  EXPECT_TRUE(correctFromLog(loggedAt(track, 57999), track, position));
  EXPECT_EQ(position, 57999u);
  position = 3000;
  EXPECT_TRUE(correctFromLog(loggedAt(track, 0), track, position));  // no wrap below zero
  EXPECT_EQ(position, 0u);
}

TEST(LogCorrection, OnlyAUsablePositionForTheRestoredTrack) {
  const std::wstring track = L"C:\\Books\\Dune\\01.m4b";
  uint64_t position = 60000;
  EXPECT_FALSE(correctFromLog(loggedAt(L"C:\\Books\\Dune\\02.m4b", 900000), track, position));
  EXPECT_FALSE(correctFromLog(loggedAt(track, 900000), L"", position));
  LogSummary none = loggedAt(track, 900000);
  none.hasLastPosition = false;
  EXPECT_FALSE(correctFromLog(none, track, position));
  EXPECT_FALSE(correctFromLog(LogSummary(), track, position));
  const std::wstring cdTrack = L"E:\\Track03.cda";
  EXPECT_FALSE(correctFromLog(loggedAt(cdTrack, 900000), cdTrack, position));
  // A log that ends with "exit" or "off": the settings were saved after it.
  LogSummary clean = loggedAt(track, 900000);
  clean.endedCleanly = true;
  EXPECT_FALSE(correctFromLog(clean, track, position));
  EXPECT_EQ(position, 60000u);
}

}  // namespace
