// Audio CDs through the real Player: the generated disc image stands in for the drive (the
// same image behind the reading thread and the track loader), and what the audio output
// plays is captured by ALSA.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "base/messages.h"
#include "base/settings_file.h"
#include "cd/drive_win.h"
#include "player/player.h"
#include "tests/support/cd_disc_image.h"
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

}  // namespace
