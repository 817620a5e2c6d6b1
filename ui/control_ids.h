// Child-control identifiers of the main window (also the buttons' command identifiers).
// Portable: no platform headers.
#pragma once

enum ControlId : int {
  kIdList = 100,
  kIdTitle = 101,
  kIdTime = 102,
  kIdSeek = 103,
  kIdOpenFolder = 104,
  kIdPrevious = 105,
  kIdPlayPause = 106,
  kIdNext = 107,
  kIdShuffle = 108,
  kIdRepeat = 109,
  kIdVolume = 110,
  kIdTopmost = 111,
  kIdMiniMode = 112,
  kIdListButton = 113,
};
