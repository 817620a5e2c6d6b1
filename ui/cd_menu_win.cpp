#include <algorithm>

#include "cd/drive_win.h"
#include "player/player.h"
#include "ui/cd_menu.h"
#include "ui/context_menu.h"
#include "ui/main_window.h"

std::vector<wchar_t> cdDrivesForMenu() { return cd::listDrives(); }

bool runCdCommand(MainWindow& w, const MenuSnapshot& snapshot, uint32_t id) {
  const std::vector<wchar_t>& listed = snapshot.state.cdDrives;
  if (id < kCmdDriveFirst || id - kCmdDriveFirst >= listed.size()) return false;
  const wchar_t drive = listed[id - kCmdDriveFirst];
  const std::vector<wchar_t> now = cdDrivesForMenu();
  if (w.player && std::find(now.begin(), now.end(), drive) != now.end()) w.player->playCd(drive);
  return true;
}
