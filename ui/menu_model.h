// The main context menu as data: what the player and window look like when it opens, turned
// into the tree of entries the shell then makes into a real menu. No platform headers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "ui/podcast_menu.h"

// Command identifiers of the context menu.
enum MenuCommand : uint32_t {
  kCmdOpenFolder = 1,
  kCmdRescan = 2,
  kCmdIncludeSubfolders = 3,
  kCmdAlwaysOnTop = 4,
  kCmdMiniMode = 5,
  kCmdExit = 6,
  kCmdAudiobook = 7,
  kCmdBackTo = 8,
  kCmdOpacityFirst = 100,  // one per opacity step
  kCmdAddStation = 200,
  kCmdRemoveStation = 201,
  kCmdAddPodcast = 202,
  kCmdRemovePodcast = 203,
  kCmdRemoveRow = 204,
  kCmdFindStations = 205,
  kCmdFindPodcasts = 206,
  kCmdOpenBook = 207,
  kCmdStationFirst = 1000,  // + station index
  kCmdPodcastFirst = 3000,  // + podcast index
  kCmdChapterFirst = 5000,  // + chapter index
  kCmdDriveFirst = 7000,    // + drive index
};

constexpr int kOpacitySteps[] = {100, 90, 80, 70, 60, 50};
constexpr size_t kOpacityStepCount = sizeof(kOpacitySteps) / sizeof(kOpacitySteps[0]);
constexpr size_t kMenuChapters = 50;      // the rest are reached on the seek bar
constexpr size_t kRowTextLimit = 60;      // longer row texts are cut ...
constexpr size_t kRowTextKept = 57;       // ... to this many characters and "..."
constexpr size_t kFieldReadLimit = 2100;  // a dialog field is read up to this length

// The player and window as the menu shows them, taken when it opens.
struct MenuState {
  bool audiobook = false;
  bool folderOpen = false;
  bool includeSubfolders = false;
  std::vector<std::wstring> stationNames;
  int64_t currentStation = -1;  // the chosen station, -1 none
  PodcastMenuState podcasts;
  // The playing track's chapters: the names of the first kMenuChapters, how many there are
  // in all, and the one that holds the position (-1: none).
  std::vector<std::wstring> chapterNames;
  size_t chapterCount = 0;
  int64_t currentChapter = -1;
  std::wstring backToLabel;       // empty: nothing to go back to
  std::vector<wchar_t> cdDrives;  // the CD drives' letters, in order
  wchar_t cdPlaying = 0;          // the drive whose disc is the list, 0 none
  bool hasRow = false;            // opened on a list row
  std::wstring rowText;
  bool topmost = false;
  bool miniMode = false;
  int opacity = 100;
};

struct MenuEntry {
  std::wstring text;  // already escaped
  uint32_t id = 0;    // 0 for submenus, separators and the chapter overflow line
  bool greyed = false;
  bool checked = false;  // check mark
  bool radio = false;    // radio mark
  bool separator = false;
  std::vector<MenuEntry> children;  // non-empty: a submenu
};

// The shape the Radio and Podcasts submenus share: one entry per saved source with the chosen
// one marked, then "Add...", "Find ... online..." and the remove entry.
struct SourceMenu {
  const std::vector<std::wstring>* names = nullptr;
  int64_t chosen = -1;  // the marked source, -1 none
  uint32_t firstId = 0;
  const wchar_t* addText = L"";
  uint32_t addId = 0;
  size_t limit = 0;  // "Add..." is greyed once this many are saved
  const wchar_t* findText = L"";
  uint32_t findId = 0;
  uint32_t removeId = 0;
  const wchar_t* removeNoneText = L"";  // the greyed remove entry when none is chosen
};

std::vector<MenuEntry> sourceMenuEntries(const SourceMenu& menu);

// The main context menu, in order.
std::vector<MenuEntry> buildMainMenu(const MenuState& state);

// Every "&" doubled, so that names show literally instead of underlining a letter.
std::wstring escapeMenuText(std::wstring_view text);

// "Remove \"<row text>\" from the list", the row text cut when long; escaped.
std::wstring removeRowEntryText(std::wstring_view rowText);

// The chapter that holds a position: the last whose start (ms, ascending), taken to frames as
// a seek to it does, is at or before the position; -1 before the first start, without
// chapters or without a sample rate.
int64_t chapterAt(const std::vector<uint32_t>& starts, uint64_t positionFrames,
                  uint32_t sampleRate);

// Only pages whose address begins with "https://" (any letter case) are opened.
bool isWebPageUrl(std::wstring_view url);

// A dialog field's text as it is used: at most kFieldReadLimit characters, without leading
// and trailing spaces and tabs.
std::wstring trimFieldText(std::wstring_view text);
