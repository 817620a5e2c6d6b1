#include "ui/cd_menu.h"

#include <string>

void appendCdMenu(const MenuState& state, std::vector<MenuEntry>& menu) {
  if (state.cdDrives.empty()) return;
  MenuEntry cd;
  cd.text = L"Audio CD";
  cd.greyed = state.audiobook;
  for (size_t i = 0; i < state.cdDrives.size(); ++i) {
    MenuEntry drive;
    drive.text = std::wstring(L"Drive ") + state.cdDrives[i] + L":";
    drive.id = kCmdDriveFirst + static_cast<uint32_t>(i);
    drive.radio = state.cdDrives[i] == state.cdPlaying;
    cd.children.push_back(std::move(drive));
  }
  menu.push_back(std::move(cd));
}
