// Everything the window says in words about the player's state, composed in one place.
#pragma once

#include <cstdint>
#include <string>

struct StatusView {
  std::wstring title;    // the title line
  std::wstring suffix;   // the tail of the title drawn in italics
  std::wstring caption;  // the window caption
  std::wstring time;     // the time label
  double fraction = 0;   // position in the track, 0..1
  bool seekEnabled = false;
  bool playing = false;
  bool shuffle = false;
  uint8_t repeat = 0;  // 0 off, 1 all, 2 one
  int volume = 100;
  bool topmost = true;
  bool miniMode = false;
  bool listHidden = false;
  int opacity = 100;
  bool audiobook = false;
};
