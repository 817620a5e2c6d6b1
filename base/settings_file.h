// settings.ini on disk: where it lives, moving it from the older folder, reading and writing
// it through the profile functions.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

#include "base/settings.h"

struct SettingsPaths {
  std::wstring folder;        // <local app data>\Tarnwick
  std::wstring settingsPath;  // <folder>\settings.ini
  std::wstring logPath;       // <folder>\listening.log
};

// The user's local application-data folder: LOCALAPPDATA when it is set and fits 260
// characters, else the known folder. Empty when neither gives one.
std::wstring localAppDataFolder();

// The player's files under a local application-data folder; all empty for an empty one.
SettingsPaths settingsPathsIn(const std::wstring& localAppData);

// When <local app data>\Tarnwick does not exist and <local app data>\Player\settings.ini
// does, creates the folder and copies settings.ini and listening.log into it. The old files
// stay.
void migrateOldDataFolder(const std::wstring& localAppData);

// The start-up step: finds the folder, migrates the older one and returns the paths (empty
// when there is no data folder).
SettingsPaths prepareDataFolder();

// Defaults overwritten by what the file validly holds. An empty path reads nothing.
Settings loadSettings(const std::wstring& settingsPath);

// Creates the file's folder (one level) and, when the file is missing, the file holding only
// the UTF-16 byte-order mark. True when the file now exists.
bool ensureSettingsFile(const std::wstring& settingsPath);

// Writes the five sections in order, each only after the previous one succeeded, into a new
// file beside the settings (newSettingsPath), which then replaces them in one step. A crash
// at any moment leaves the old file or the new one, whole. True only when all were written
// and the file replaced; an empty path writes nothing and fails.
bool saveSettings(const std::wstring& settingsPath, const Settings& settings);
// The same, asking stopAt(n) with n sections written into the new file (0 to 5, the last
// just before the replacement); true there ends the save on the spot, as a crash would.
bool saveSettings(const std::wstring& settingsPath, const Settings& settings,
                  const std::function<bool(size_t)>& stopAt);

// The file a save writes before it replaces the settings. Only a save reads it: the next one
// removes what an interrupted save left there.
std::wstring newSettingsPath(const std::wstring& settingsPath);
