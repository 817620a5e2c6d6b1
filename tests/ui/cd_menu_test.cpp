// The "Audio CD" submenu on the real main window under Wine, which has no CD drives of its
// own: it shows the drives Wine reports, and a CD-ROM letter defined with nothing behind it
// answers with a notice and leaves everything else alone.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "base/text.h"
#include "cd/drive_win.h"
#include "player/player.h"
#include "tests/support/main_window_host.h"
#include "tests/support/win_test_support.h"
#include "tests/support/wine_cd_rom.h"
#include "ui/context_menu.h"
#include "ui/main_window.h"
#include "ui/menu_model.h"
#include "ui/player_status.h"

namespace {

bool hasCdMenu(const MenuState& state) {
  for (const MenuEntry& e : buildMainMenu(state)) {
    if (e.text == L"Audio CD") return true;
  }
  return false;
}

TEST(CdMenu, ListsTheDrivesWineReportsAndAnEmptyDriveAnswersWithANotice) {
  {
    testsupport::MainWindowHost host;
    ASSERT_TRUE(host.ok());
    const MenuSnapshot snapshot = takeMenuSnapshot(host.w(), -1);
    EXPECT_EQ(snapshot.state.cdDrives, cd::listDrives());
    EXPECT_EQ(hasCdMenu(snapshot.state), !snapshot.state.cdDrives.empty());
  }

  testsupport::WineCdRom configured;
  if (!configured.letter()) GTEST_SKIP() << "no CD-ROM letter could be defined";
  testsupport::MainWindowHost host;
  ASSERT_TRUE(host.ok());
  Player& p = host.player();
  MenuSnapshot snapshot = takeMenuSnapshot(host.w(), -1);
  ASSERT_TRUE(hasCdMenu(snapshot.state));
  const auto at = std::find(snapshot.state.cdDrives.begin(), snapshot.state.cdDrives.end(),
                            configured.letter());
  ASSERT_NE(at, snapshot.state.cdDrives.end());
  const auto index = static_cast<UINT>(at - snapshot.state.cdDrives.begin());

  runMenuCommand(host.w(), snapshot, kCmdDriveFirst + index);
  EXPECT_NE(p.view().cdRequestId, 0);
  EXPECT_EQ(statusOf(p.view(), host.w()).title, L"Reading the CD...");
  ASSERT_TRUE(host.waitFor([&] { return p.view().cdRequestId == 0; }));
  const std::wstring name = std::wstring(L"drive ") + configured.letter() + L":";
  const std::wstring notice = p.view().notice.text;
  EXPECT_TRUE(notice == L"Can't open " + name || notice == L"No disc in " + name ||
              notice == L"Can't read the disc in " + name)
      << text::wideToUtf8(notice);
  EXPECT_EQ(statusOf(p.view(), host.w()).title, notice);
  EXPECT_EQ(p.view().cdDrive, 0);
  EXPECT_TRUE(p.trackList().empty());

  // A drive that went away while the menu was open is not read.
  wchar_t gone = L'Z';
  while (gone > L'A' &&
         std::count(snapshot.state.cdDrives.begin(), snapshot.state.cdDrives.end(), gone) != 0)
    --gone;
  snapshot.state.cdDrives = {gone};
  runMenuCommand(host.w(), snapshot, kCmdDriveFirst);
  EXPECT_EQ(p.view().cdRequestId, 0);
}

}  // namespace
