#include "ui/radio_menu.h"

#include "base/settings.h"

std::vector<MenuEntry> radioMenuEntries(const std::vector<std::wstring>& stationNames,
                                        int64_t currentStation) {
  std::vector<MenuEntry> entries;
  for (size_t i = 0; i < stationNames.size(); ++i) {
    MenuEntry e;
    e.text = escapeMenuText(stationNames[i]);
    e.id = kCmdStationFirst + static_cast<uint32_t>(i);
    e.radio = currentStation == static_cast<int64_t>(i);
    entries.push_back(std::move(e));
  }
  if (!stationNames.empty()) {
    MenuEntry separator;
    separator.separator = true;
    entries.push_back(std::move(separator));
  }

  MenuEntry add;
  add.text = L"Add station...";
  add.id = kCmdAddStation;
  add.greyed = stationNames.size() >= Settings::kMaxStations;
  entries.push_back(std::move(add));

  MenuEntry find;
  find.text = L"Find stations online...";
  find.id = kCmdFindStations;
  entries.push_back(std::move(find));

  MenuEntry remove;
  remove.id = kCmdRemoveStation;
  if (currentStation >= 0 && static_cast<size_t>(currentStation) < stationNames.size()) {
    remove.text =
        L"Remove \"" + escapeMenuText(stationNames[static_cast<size_t>(currentStation)]) + L"\"";
  } else {
    remove.text = L"Remove station";
    remove.greyed = true;
  }
  entries.push_back(std::move(remove));
  return entries;
}
