#include "player_harness.h"

#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "base/scoped_win.h"
#include "base/text.h"
#include "player/player_window.h"

namespace playertest {

using testsupport::put16;
using testsupport::put32;

namespace {

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

std::wstring TempFolder::write(const std::wstring& name, const std::string& bytes) const {
  const size_t slash = name.find_last_of(L'\\');
  if (slash != std::wstring::npos) CreateDirectoryW(path(name.substr(0, slash)).c_str(), nullptr);
  const std::wstring full = path(name);
  EXPECT_TRUE(testsupport::writeFile(full, bytes)) << text::wideToUtf8(full);
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

bool PlayerHost::waitFor(const std::function<bool()>& done, const char* what, DWORD timeoutMs) {
  if (testsupport::pumpUntil(done, timeoutMs)) return true;
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
  const base::ScopedHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
  if (!snapshot) return 0;
  size_t count = 0;
  THREADENTRY32 entry;
  entry.dwSize = sizeof(entry);
  const DWORD self = GetCurrentProcessId();
  if (Thread32First(snapshot.get(), &entry)) {
    do {
      if (entry.th32OwnerProcessID == self) ++count;
      entry.dwSize = sizeof(entry);
    } while (Thread32Next(snapshot.get(), &entry));
  }
  return count;
}

}  // namespace playertest
