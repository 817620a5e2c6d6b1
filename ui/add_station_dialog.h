// The "Add station" dialog (resource 101).
#pragma once

#include <windows.h>

#include <string>

enum AddStationControl : int {
  kAddStationDialog = 101,
  kStationNameField = 1001,
  kStationUrlField = 1002,
  kStationHint = 1003,
  kStationLink = 1004,
};

inline constexpr int kStationNameLimit = 256;
inline constexpr int kStationUrlLimit = 2048;

// Asks for a station's name and stream URL; true on Add with a valid URL (the name may be
// empty). Both are trimmed.
bool askNewStation(HWND owner, std::wstring& name, std::wstring& url);
