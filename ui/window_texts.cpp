#include "ui/window_texts.h"

#include "base/text.h"
#include "ui/control_ids.h"

std::wstring buttonGlyph(int controlId, const StatusView& s) {
  switch (controlId) {
    case kIdOpenFolder:
      return L"\xE838";
    case kIdPrevious:
      return L"\xE892";
    case kIdPlayPause:
      return s.playing ? L"\xE769" : L"\xE768";
    case kIdNext:
      return L"\xE893";
    case kIdShuffle:
      return L"\xE8B1";
    case kIdRepeat:
      return s.repeat == RepeatMode::One ? L"\xE8ED" : L"\xE8EE";
    case kIdTopmost:
      return L"\xE718";
    case kIdMiniMode:
      return s.miniMode ? L"\xE740" : L"\xE73F";
    case kIdListButton:
      return L"\xE8FD";
    default:
      return std::wstring();
  }
}

std::wstring tooltipText(int controlId, const StatusView& s) {
  switch (controlId) {
    case kIdOpenFolder:
      return L"Open folder";
    case kIdPrevious:
      return L"Previous";
    case kIdPlayPause:
      return s.playing ? L"Pause" : L"Play";
    case kIdNext:
      return L"Next";
    case kIdShuffle:
      return s.shuffle ? L"Shuffle: on" : L"Shuffle: off";
    case kIdRepeat:
      switch (s.repeat) {
        case RepeatMode::All:
          return L"Repeat: all";
        case RepeatMode::One:
          return L"Repeat: one";
        case RepeatMode::Off:
          break;
      }
      return L"Repeat: off";
    case kIdTopmost:
      return s.topmost ? L"Always on top: on" : L"Always on top: off";
    case kIdMiniMode:
      return s.miniMode ? L"Full mode" : L"Mini mode";
    case kIdListButton:
      return s.listHidden ? L"Show the list" : L"Hide the list";
    case kIdSeek:
      return L"Seek";
    case kIdVolume:
      return L"Volume " + text::toDecimal(int64_t{s.volume}) + L"%";
    default:
      return std::wstring();
  }
}
