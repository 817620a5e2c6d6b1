// The Settings record and its text form in settings.ini: value codecs and the codecs of
// whole sections as the profile functions read and write them. Portable: no platform headers.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/settings_rect.h"

struct Settings {
  struct Station {
    std::wstring name;
    std::wstring url;
    bool operator==(const Station&) const = default;
  };
  // A remembered audiobook position.
  struct Position {
    std::wstring path;
    uint64_t ms = 0;
    bool operator==(const Position&) const = default;
  };
  struct Podcast {
    std::wstring title;
    std::wstring url;
    bool operator==(const Podcast&) const = default;
  };

  static constexpr size_t kMaxStations = 200;
  static constexpr size_t kMaxPositions = 200;
  static constexpr size_t kMaxPodcasts = 100;
  static constexpr size_t kMaxHeard = 1000;
  static constexpr size_t kMaxNameLength = 256;          // station names and podcast titles
  static constexpr uint64_t kMaxPositionMs = 604800000;  // seven days

  std::wstring folder;
  bool includeSubfolders = true;
  bool shuffle = false;
  int repeat = 0;  // 0 off, 1 all, 2 one
  int volume = 100;
  bool topmost = true;
  bool miniMode = false;
  bool listHidden = false;
  bool audiobook = false;
  int opacity = 100;
  SettingsRect fullRect;
  SettingsRect miniRect;
  std::wstring lastTrackPath;
  uint64_t lastPositionMs = 0;
  uint32_t tagCodepage = 0;  // 0: automatic
  std::wstring lastStation;
  std::wstring podcast;
  std::wstring bookPath;
  bool bookIncludeSubfolders = true;
  std::wstring bookTrack;
  uint64_t bookPositionMs = 0;

  std::vector<Station> stations;
  std::vector<Position> positions;  // most recent first
  std::vector<Podcast> podcasts;
  std::vector<std::wstring> heard;  // most recent first

  bool operator==(const Settings&) const = default;
};

enum class SettingsSection { Player, Stations, Positions, Podcasts, Heard };

constexpr std::array<SettingsSection, 5> kSettingsLoadOrder = {
    SettingsSection::Stations, SettingsSection::Positions, SettingsSection::Podcasts,
    SettingsSection::Heard, SettingsSection::Player};
constexpr std::array<SettingsSection, 5> kSettingsSaveOrder = {
    SettingsSection::Player, SettingsSection::Stations, SettingsSection::Positions,
    SettingsSection::Podcasts, SettingsSection::Heard};

// "Player", "Stations", ...
const wchar_t* settingsSectionName(SettingsSection section);

// The size in characters of the first buffer a section is read into.
size_t settingsSectionBufferChars(SettingsSection section);

// Value codecs. Each parse returns false and leaves `out` alone when the text is refused.
bool parseSettingsFlag(std::wstring_view text, bool& out);
// A whole base-10 integer within [min, max].
bool parseSettingsInteger(std::wstring_view text, int64_t min, int64_t max, int64_t& out);
// Exactly four comma-separated 32-bit integers with left < right and top < bottom.
bool parseSettingsRect(std::wstring_view text, SettingsRect& out);
// "left,top,right,bottom", or empty for a rectangle that is not known.
std::wstring formatSettingsRect(const SettingsRect& rect);
// 0 .. 65535, and 0 or a code page the system knows.
bool parseSettingsCodePage(std::wstring_view text, uint32_t& out);

// Applies one section's text, NUL-separated "key=value" entries as GetPrivateProfileSectionW
// returns them, to the record: lists are appended to up to their limits, Player keys
// overwrite the fields they validly name. Never fails; what is refused is skipped.
void readSettingsSection(Settings& settings, SettingsSection section, std::wstring_view text);

// The text for WritePrivateProfileSectionW: NUL-ended entries followed by one more NUL.
std::wstring buildSettingsSection(const Settings& settings, SettingsSection section);
