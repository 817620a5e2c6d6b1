#include "base/settings_file.h"

#include <windows.h>

#include <shlobj.h>

#include <memory>
#include <new>

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

// Drops what the profile functions may hold of the file in memory (Wine keeps a copy and
// trusts it while the file's write time is unchanged, which a file replaced within the same
// clock tick does not show). Elsewhere it does nothing.
void forgetProfileCache(const std::wstring& path) {
  WritePrivateProfileStringW(nullptr, nullptr, nullptr, path.c_str());
}

bool createFolderOf(const std::wstring& path) {
  const size_t separator = paths::lastSeparator(path);
  if (separator == std::wstring::npos || separator == 0) return true;
  const std::wstring folder = path.substr(0, separator);
  return CreateDirectoryW(folder.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS ||
         pathKind(folder) == PathKind::Folder;
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
    for (size_t size = settingsSectionBufferChars(section); size <= kMaxSectionBufferChars;
         size *= 2) {
      // Not filled first: the profile function writes what it returns, and the pages of the
      // buffer it leaves alone (most of them) are never touched.
      const std::unique_ptr<wchar_t[]> buffer(new wchar_t[size]);
      DWORD count = GetPrivateProfileSectionW(settingsSectionName(section), buffer.get(),
                                              static_cast<DWORD>(size), path.c_str());
      if (count == 0) return;
      if (count < size - 2) {
        readSettingsSection(settings, section, std::wstring_view(buffer.get(), count));
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
  // No file (the first start): every section would come back empty.
  if (settingsPath.empty() || pathKind(settingsPath) == PathKind::Missing) return settings;
  for (SettingsSection section : kSettingsLoadOrder) readSection(settings, section, settingsPath);
  return settings;
}

std::wstring newSettingsPath(const std::wstring& settingsPath) { return settingsPath + L".new"; }

bool ensureSettingsFile(const std::wstring& settingsPath) {
  if (settingsPath.empty() || !createFolderOf(settingsPath)) return false;
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
  return saveSettings(settingsPath, settings, nullptr);
}

bool saveSettings(const std::wstring& settingsPath, const Settings& settings,
                  const std::function<bool(size_t)>& stopAt) {
  if (settingsPath.empty() || !createFolderOf(settingsPath)) return false;
  // The profile functions rewrite their file whole for every section, so they write into a
  // new file beside the live one, which replaces it in one step once complete: a crash at any
  // moment leaves one whole file or the other. What an interrupted save left goes here.
  const std::wstring fresh = newSettingsPath(settingsPath);
  DeleteFileW(fresh.c_str());
  forgetProfileCache(fresh);
  {
    base::ScopedHandle file = openFile(fresh, GENERIC_WRITE, CREATE_NEW);
    if (!file) return false;
    if (!writeByteOrderMark(file.get())) {
      file.reset();
      DeleteFileW(fresh.c_str());
      return false;
    }
  }
  const auto abandon = [&fresh] {
    DeleteFileW(fresh.c_str());
    forgetProfileCache(fresh);
    return false;
  };
  size_t written = 0;
  try {
    for (SettingsSection section : kSettingsSaveOrder) {
      if (stopAt && stopAt(written)) return false;
      std::wstring sectionText = buildSettingsSection(settings, section);
      if (!WritePrivateProfileSectionW(settingsSectionName(section), sectionText.c_str(),
                                       fresh.c_str()))
        return abandon();
      ++written;
    }
  } catch (const std::bad_alloc&) {
    return abandon();
  }
  if (stopAt && stopAt(written)) return false;
  // On the disk before the name points at it.
  if (base::ScopedHandle file = openFile(fresh, GENERIC_WRITE, OPEN_EXISTING)) {
    FlushFileBuffers(file.get());
  }
  if (!MoveFileExW(fresh.c_str(), settingsPath.c_str(),
                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    return abandon();
  forgetProfileCache(fresh);
  forgetProfileCache(settingsPath);
  return true;
}
