#include "base/settings_file.h"

#include <windows.h>

#include <shlobj.h>

#include <new>
#include <vector>

#include "base/path.h"
#include "base/scoped_win.h"

namespace {

base::ScopedHandle openFile(const std::wstring& path, DWORD access, DWORD disposition) {
  return base::ScopedHandle(CreateFileW(path.c_str(), access, FILE_SHARE_READ, nullptr, disposition,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
}

constexpr BYTE kByteOrderMark[2] = {0xFF, 0xFE};

// A section that fills its first buffer is read again into larger ones up to this many
// characters: a full list of long URLs is larger than the first buffer, and a section cut
// short must not be read as if it were whole.
constexpr size_t kMaxSectionBufferChars = size_t{4} << 20;

enum class PathKind { Missing, File, Folder, Unknown };

PathKind pathKind(const std::wstring& path) {
  DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? PathKind::Missing
                                                                          : PathKind::Unknown;
  }
  return attributes & FILE_ATTRIBUTE_DIRECTORY ? PathKind::Folder : PathKind::File;
}

bool writeByteOrderMark(HANDLE file) {
  DWORD written = 0;
  return WriteFile(file, kByteOrderMark, sizeof kByteOrderMark, &written, nullptr) &&
         written == sizeof kByteOrderMark;
}

// The profile functions write UTF-16 only into a file that starts with the byte-order mark;
// into any other file they write 8-bit text and every path or name outside the ANSI code
// page would come back as question marks. The save rewrites every section anyway, so such a
// file is started afresh.
bool ensureByteOrderMark(const std::wstring& path) {
  base::ScopedHandle file = openFile(path, GENERIC_READ | GENERIC_WRITE, OPEN_EXISTING);
  if (!file) return true;  // it exists; let the profile functions try
  BYTE head[2] = {};
  DWORD read = 0;
  if (!ReadFile(file.get(), head, sizeof head, &read, nullptr)) return true;
  if (read == sizeof head && head[0] == kByteOrderMark[0] && head[1] == kByteOrderMark[1])
    return true;
  LARGE_INTEGER start = {};
  return SetFilePointerEx(file.get(), start, nullptr, FILE_BEGIN) && SetEndOfFile(file.get()) &&
         writeByteOrderMark(file.get());
}

void readSection(Settings& settings, SettingsSection section, const std::wstring& path) {
  try {
    std::vector<wchar_t> buffer;
    for (size_t size = settingsSectionBufferChars(section); size <= kMaxSectionBufferChars;
         size *= 2) {
      buffer.assign(size, L'\0');
      DWORD count = GetPrivateProfileSectionW(settingsSectionName(section), buffer.data(),
                                              static_cast<DWORD>(size), path.c_str());
      if (count == 0) return;
      if (count < size - 2) {
        readSettingsSection(settings, section, std::wstring_view(buffer.data(), count));
        return;
      }
    }
  } catch (const std::bad_alloc&) {
    // The section stays unread, as if it were missing.
  }
}

}  // namespace

std::wstring localAppDataFolder() {
  wchar_t buffer[260];
  DWORD length = GetEnvironmentVariableW(L"LOCALAPPDATA", buffer, 260);
  if (length > 0 && length < 260) return std::wstring(buffer, length);
  base::ScopedCoMem<wchar_t> known;
  if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_LocalAppData, 0, nullptr, known.put())) && known)
    return known.get();
  return std::wstring();
}

SettingsPaths settingsPathsIn(const std::wstring& localAppData) {
  SettingsPaths paths;
  if (localAppData.empty()) return paths;
  paths.folder = paths::withoutTrailingSeparator(localAppData) + L"\\Tarnwick";
  paths.settingsPath = paths.folder + L"\\settings.ini";
  paths.logPath = paths.folder + L"\\listening.log";
  return paths;
}

void migrateOldDataFolder(const std::wstring& localAppData) {
  if (localAppData.empty()) return;
  std::wstring base = paths::withoutTrailingSeparator(localAppData);
  std::wstring newFolder = base + L"\\Tarnwick";
  std::wstring oldFolder = base + L"\\Player";
  if (pathKind(newFolder) != PathKind::Missing) return;
  if (pathKind(oldFolder + L"\\settings.ini") != PathKind::File) return;
  if (!CreateDirectoryW(newFolder.c_str(), nullptr)) return;
  CopyFileW((oldFolder + L"\\listening.log").c_str(), (newFolder + L"\\listening.log").c_str(),
            TRUE);
  CopyFileW((oldFolder + L"\\settings.ini").c_str(), (newFolder + L"\\settings.ini").c_str(), TRUE);
}

SettingsPaths prepareDataFolder() {
  std::wstring localAppData = localAppDataFolder();
  migrateOldDataFolder(localAppData);
  return settingsPathsIn(localAppData);
}

Settings loadSettings(const std::wstring& settingsPath) {
  Settings settings;
  if (settingsPath.empty()) return settings;
  for (SettingsSection section : kSettingsLoadOrder) readSection(settings, section, settingsPath);
  return settings;
}

bool ensureSettingsFile(const std::wstring& settingsPath) {
  if (settingsPath.empty()) return false;
  const size_t separator = paths::lastSeparator(settingsPath);
  if (separator != std::wstring::npos && separator > 0) {
    std::wstring folder = settingsPath.substr(0, separator);
    if (!CreateDirectoryW(folder.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS &&
        pathKind(folder) != PathKind::Folder)
      return false;
  }
  if (base::ScopedHandle file = openFile(settingsPath, GENERIC_WRITE, CREATE_NEW)) {
    if (writeByteOrderMark(file.get())) return true;
    file.reset();
    DeleteFileW(settingsPath.c_str());  // so that the next save starts it properly
    return false;
  }
  if (pathKind(settingsPath) != PathKind::File) return false;
  return ensureByteOrderMark(settingsPath);
}

bool saveSettings(const std::wstring& settingsPath, const Settings& settings) {
  if (settingsPath.empty() || !ensureSettingsFile(settingsPath)) return false;
  try {
    for (SettingsSection section : kSettingsSaveOrder) {
      std::wstring sectionText = buildSettingsSection(settings, section);
      if (!WritePrivateProfileSectionW(settingsSectionName(section), sectionText.c_str(),
                                       settingsPath.c_str()))
        return false;
    }
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}
