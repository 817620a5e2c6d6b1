// A system without Media Foundation, made by the start-up's test seam in a process of its own
// (the start-up happens once per process).
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "engine/mf/media_foundation.h"
#include "tests/support/mf_decode.h"

namespace {

using mf::OpenOutcome;

std::wstring fixture(const char* name) {
  std::string path = std::string(TWK_SOURCE_DIR "/tests/data/mf/") + name;
  return std::wstring(path.begin(), path.end());
}

OpenOutcome openFixture(const char* name) { return testsupport::decodeFile(fixture(name)).outcome; }

TEST(MediaFoundationStartUp, ProtectedIsDecidedFirstAndAFailedStartUpIsNeverRetried) {
  // Refused by the header alone: Media Foundation is not even loaded.
  EXPECT_EQ(OpenOutcome::Protected, openFixture("protected.wma"));
  EXPECT_EQ(OpenOutcome::Protected, openFixture("protected_in_extension.wma"));
  EXPECT_EQ(nullptr, GetModuleHandleW(L"mfplat.dll"));

  mf::setPlatformLibraryForTest(L"twk-no-such-mfplat.dll");
  EXPECT_EQ(OpenOutcome::NeedsFeaturePack, openFixture("stereo.m4a"));
  EXPECT_EQ(OpenOutcome::NeedsFeaturePack, openFixture("chapters.m4b"));
  EXPECT_EQ(OpenOutcome::NeedsFeaturePack, openFixture("stereo.wma"));
  EXPECT_EQ(OpenOutcome::Protected, openFixture("protected.wma"));

  // The real library is there, but the run keeps the first answer.
  mf::setPlatformLibraryForTest(L"mfplat.dll");
  EXPECT_EQ(OpenOutcome::NeedsFeaturePack, openFixture("stereo.m4a"));
  EXPECT_EQ(nullptr, mf::mediaFoundation());
  EXPECT_EQ(nullptr, GetModuleHandleW(L"mfplat.dll"));
}

}  // namespace
