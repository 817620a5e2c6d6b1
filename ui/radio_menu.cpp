#include "ui/radio_menu.h"

#include "base/settings.h"
#include "ui/menu_model.h"

std::vector<MenuEntry> radioMenuEntries(const std::vector<std::wstring>& stationNames,
                                        int64_t currentStation) {
  SourceMenu menu;
  menu.names = &stationNames;
  menu.chosen = currentStation;
  menu.firstId = kCmdStationFirst;
  menu.addText = L"Add station...";
  menu.addId = kCmdAddStation;
  menu.limit = Settings::kMaxStations;
  menu.findText = L"Find stations online...";
  menu.findId = kCmdFindStations;
  menu.removeId = kCmdRemoveStation;
  menu.removeNoneText = L"Remove station";
  return sourceMenuEntries(menu);
}
