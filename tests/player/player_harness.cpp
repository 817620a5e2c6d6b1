#include "player_harness.h"

#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "base/text.h"
#include "player/player_window.h"

namespace playertest {

namespace {

void put16(std::string& b, uint16_t v) {
  b.push_back(static_cast<char>(v & 0xFF));
  b.push_back(static_cast<char>(v >> 8));
}
void put32(std::string& b, uint32_t v) {
  put16(b, static_cast<uint16_t>(v & 0xFFFF));
  put16(b, static_cast<uint16_t>(v >> 16));
}

void removeTree(const std::wstring& folder) {
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &data);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = data.cFileName;
      if (name == L"." || name == L"..") continue;
      const std::wstring path = folder + L"\\" + name;
      SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
      if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        removeTree(path);
      } else {
        DeleteFileW(path.c_str());
      }
    } while (FindNextFileW(find, &data));
    FindClose(find);
  }
  RemoveDirectoryW(folder.c_str());
}

const char* stateName(PlayState state) {
  switch (state) {
    case PlayState::Idle:
      return "Idle";
    case PlayState::Loading:
      return "Loading";
    case PlayState::Playing:
      return "Playing";
    case PlayState::Paused:
      return "Paused";
    case PlayState::Stopped:
      return "Stopped";
    case PlayState::Failed:
      return "Failed";
  }
  return "?";
}

}  // namespace

std::string wavFile(double seconds, uint32_t rate, const std::string& title) {
  const uint32_t frames = static_cast<uint32_t>(seconds * rate);
  std::string info;
  if (!title.empty()) {
    std::string name = title;
    name.push_back('\0');
    if (name.size() & 1) name.push_back('\0');
    info = "INFO";
    info += "INAM";
    put32(info, static_cast<uint32_t>(title.size() + 1));
    info += name;
  }
  std::string b = "RIFF";
  const uint32_t dataBytes = frames * 4;
  const uint32_t listBytes = info.empty() ? 0 : 8 + static_cast<uint32_t>(info.size());
  put32(b, 4 + 24 + listBytes + 8 + dataBytes);
  b += "WAVEfmt ";
  put32(b, 16);
  put16(b, 1);  // PCM
  put16(b, 2);
  put32(b, rate);
  put32(b, rate * 4);
  put16(b, 4);
  put16(b, 16);
  if (!info.empty()) {
    b += "LIST";
    put32(b, static_cast<uint32_t>(info.size()));
    b += info;
  }
  b += "data";
  put32(b, dataBytes);
  for (uint32_t i = 0; i < frames; ++i) {
    const auto s =
        static_cast<int16_t>(1000.0 * std::sin(i * 2.0 * 3.14159265358979 * 440.0 / rate));
    put16(b, static_cast<uint16_t>(s));
    put16(b, static_cast<uint16_t>(s));
  }
  return b;
}

void writeFile(const std::wstring& path, const std::string& bytes) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE) << text::wideToUtf8(path);
  DWORD written = 0;
  const BOOL ok = bytes.empty() || WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()),
                                             &written, nullptr);
  CloseHandle(file);
  ASSERT_TRUE(ok && written == bytes.size()) << text::wideToUtf8(path);
}

TempFolder::TempFolder() {
  static int counter = 0;
  wchar_t base[MAX_PATH + 1];
  const DWORD n = GetTempPathW(MAX_PATH + 1, base);
  root_ = std::wstring(base, n) + L"twk_player_" +
          text::toDecimal(static_cast<uint64_t>(GetCurrentProcessId())) + L"_" +
          text::toDecimal(static_cast<int64_t>(++counter));
  removeTree(root_);
  CreateDirectoryW(root_.c_str(), nullptr);
}

TempFolder::~TempFolder() { removeTree(root_); }

std::wstring TempFolder::write(const std::wstring& name, const std::string& bytes) const {
  const size_t slash = name.find_last_of(L'\\');
  if (slash != std::wstring::npos) CreateDirectoryW(path(name.substr(0, slash)).c_str(), nullptr);
  const std::wstring full = path(name);
  writeFile(full, bytes);
  return full;
}

PlayerHost::PlayerHost(const Settings& settings, StartOptions options) {
  settingsPath_ = data_.path(L"settings.ini");
  PlayerWindowParams params{settings, std::move(options), settingsPath_};
  window_ = createPlayerWindow(GetModuleHandleW(nullptr), params);
  if (!window_) return;
  player_ = playerOf(window_);
  if (!player_) return;
  player_->confirmPrompt = [this](const std::wstring& question) {
    questions.push_back(question);
    return answer;
  };
  player_->onChanged = [this] {
    if (!player_->playing.path.empty() &&
        (played.empty() || played.back() != player_->playing.path)) {
      played.push_back(player_->playing.path);
    }
  };
  player_->startWorkers();
}

PlayerHost::~PlayerHost() { destroy(); }

void PlayerHost::destroy() {
  if (window_) DestroyWindow(window_);
  window_ = nullptr;
  player_ = nullptr;
}

std::string PlayerHost::describe() {
  if (!player_) return "no player";
  Player& p = *player_;
  std::string s = "state=" + std::string(stateName(p.playState)) +
                  " current=" + std::to_string(p.list.current) +
                  " playing.index=" + std::to_string(p.playing.index) +
                  " playing=" + text::wideToUtf8(p.playing.path) +
                  " load.id=" + std::to_string(p.load.id) +
                  " preload.id=" + std::to_string(p.preload.id) +
                  " prepared.index=" + std::to_string(p.prepared.index) +
                  " unplayable=" + std::to_string(p.unplayableCount) + " status=\"" +
                  text::wideToUtf8(p.statusMessage) + "\"";
  return s;
}

bool pumpUntil(const std::function<bool()>& done, DWORD timeoutMs) {
  const ULONGLONG deadline = GetTickCount64() + timeoutMs;
  for (;;) {
    if (done()) return true;
    const ULONGLONG now = GetTickCount64();
    if (now >= deadline) return false;
    MSG msg;
    if (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
      continue;
    }
    MsgWaitForMultipleObjects(0, nullptr, FALSE,
                              static_cast<DWORD>(std::min<ULONGLONG>(deadline - now, 20)),
                              QS_ALLINPUT);
  }
}

bool PlayerHost::waitFor(const std::function<bool()>& done, const char* what, DWORD timeoutMs) {
  if (pumpUntil(done, timeoutMs)) return true;
  ADD_FAILURE() << "timed out waiting for: " << what << " (" << describe() << ")";
  return false;
}

bool PlayerHost::waitForQueued(UINT message, const char* what, DWORD timeoutMs) {
  const ULONGLONG deadline = GetTickCount64() + timeoutMs;
  for (;;) {
    MSG msg;
    if (PeekMessageW(&msg, window_, message, message, PM_NOREMOVE)) return true;
    if (GetTickCount64() >= deadline) break;
    Sleep(5);  // polling a queue we must not drain
  }
  ADD_FAILURE() << "timed out waiting for a queued message: " << what << " (" << describe() << ")";
  return false;
}

size_t threadCount() {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return 0;
  size_t count = 0;
  THREADENTRY32 entry;
  entry.dwSize = sizeof(entry);
  const DWORD self = GetCurrentProcessId();
  if (Thread32First(snapshot, &entry)) {
    do {
      if (entry.th32OwnerProcessID == self) ++count;
      entry.dwSize = sizeof(entry);
    } while (Thread32Next(snapshot, &entry));
  }
  CloseHandle(snapshot);
  return count;
}

}  // namespace playertest
