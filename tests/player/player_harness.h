// A real Player in a real hidden window with its loader, scanner and audio output, driven
// from the test's thread by pumping that thread's messages.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/settings.h"
#include "player/player.h"
#include "player/start_options.h"
#include "tests/support/win_test_support.h"

namespace playertest {

constexpr DWORD kWaitMs = 30000;

// A 16-bit stereo PCM WAV of a quiet tone; with a title, a LIST/INFO chunk ahead of the
// samples carries it as INAM.
std::string wavFile(double seconds, uint32_t rate = 44100, const std::string& title = "");

class TempFolder : public testsupport::TempFolder {
 public:
  TempFolder() : testsupport::TempFolder(L"twk_player_") {}

  // Writes a file (creating its subfolder when the name has one) and returns its path.
  std::wstring write(const std::wstring& name, const std::string& bytes) const;
};

class PlayerHost {
 public:
  explicit PlayerHost(const Settings& settings = Settings(), StartOptions options = StartOptions());
  ~PlayerHost();
  PlayerHost(const PlayerHost&) = delete;
  PlayerHost& operator=(const PlayerHost&) = delete;

  bool ok() const { return window_ != nullptr && player_ != nullptr; }
  Player& player() { return *player_; }
  HWND window() const { return window_; }
  const std::wstring& settingsPath() const { return settingsPath_; }

  // Dispatches this thread's messages one at a time until done() holds; on time-out it
  // records a failure naming `what` and the player's state and returns false.
  bool waitFor(const std::function<bool()>& done, const char* what, DWORD timeoutMs = kWaitMs);
  // Waits, dispatching nothing, until a message of this kind waits in the queue.
  bool waitForQueued(UINT message, const char* what, DWORD timeoutMs = kWaitMs);

  // Destroys the window, which shuts the player down.
  void destroy();

  // Every distinct playing path in the order they were taken up, and every question asked.
  std::vector<std::wstring> played;
  std::vector<std::wstring> questions;
  bool answer = true;  // what the confirmation says

  std::string describe();

 private:
  TempFolder data_;
  std::wstring settingsPath_;
  HWND window_ = nullptr;
  Player* player_ = nullptr;
};

// Threads of this process now (all of them: ours, Wine's and the runtime's).
size_t threadCount();

}  // namespace playertest
