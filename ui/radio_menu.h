// The "Radio" submenu as data. No platform headers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "ui/menu_model.h"

// The web directory of stations that "Find stations online..." and the dialog's link open.
inline constexpr wchar_t kStationDirectoryUrl[] = L"https://www.radio-browser.info/";

// One entry per station with the chosen one marked, "Add station...", "Find stations
// online..." and the remove entry for the chosen station.
std::vector<MenuEntry> radioMenuEntries(const std::vector<std::wstring>& stationNames,
                                        int64_t currentStation);
