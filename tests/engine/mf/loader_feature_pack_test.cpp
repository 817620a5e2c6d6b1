// The loader on a system without Media Foundation, made by the start-up's test seam in a process
// of its own (the start-up happens once per process).
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "engine/mf/media_foundation.h"
#include "engine/track_loader.h"
#include "player/playback_rules.h"

namespace {

LoadResult load(const std::string& file) {
  const std::string path = TWK_SOURCE_DIR "/tests/data/" + file;
  LoadRequest request;
  request.path.assign(path.begin(), path.end());
  request.trackId = 1;
  LoadResult result;
  openRequestedTrack(request, result);
  EXPECT_EQ(result.error == kLoadOk, result.track != nullptr) << file;
  return result;
}

TEST(LoaderWithoutMediaFoundation, M4aAndWmaNeedTheFeaturePackAndProtectedStaysProtected) {
  mf::setPlatformLibraryForTest(L"twk-no-such-mfplat.dll");
  for (const char* file : {"mf/stereo.m4a", "mf/chapters.m4b", "mf/stereo.wma"}) {
    const LoadResult r = load(file);
    EXPECT_EQ(kLoadNeedsFeaturePack, r.error) << file;
    EXPECT_EQ(L"M4A and WMA files need the Media Feature Pack", loadErrorText(r.error, r.message))
        << file;
  }
  for (const char* file : {"mf/protected.wma", "mf/protected_in_extension.wma"}) {
    const LoadResult r = load(file);
    EXPECT_EQ(kLoadProtected, r.error) << file;
    EXPECT_EQ(L"Protected (DRM) file, can't play", loadErrorText(r.error, r.message)) << file;
  }

  // The real library is there now, but the run keeps the first answer; other formats play.
  mf::setPlatformLibraryForTest(L"mfplat.dll");
  EXPECT_EQ(kLoadNeedsFeaturePack, load("mf/stereo.wma").error);
  EXPECT_EQ(nullptr, GetModuleHandleW(L"mfplat.dll"));
  EXPECT_EQ(kLoadOk, load("audio/sine44_stereo.mp3").error);
}

}  // namespace
