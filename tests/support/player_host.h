// A real Player in a hidden window of its own, with its loader, scanner and audio output,
// driven from the test's thread by pumping that thread's messages. The window routes the
// player's messages as the main window does, saves on WM_CLOSE and WM_ENDSESSION and shuts
// the player down when it goes.
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

namespace testsupport {

constexpr DWORD kWaitMs = 30000;

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
  // prints what it waited for and the player's state and returns false. No GoogleTest here,
  // so that benchmarks can host a player too.
  bool waitFor(const std::function<bool()>& done, const char* what, DWORD timeoutMs = kWaitMs);
  // Waits, dispatching nothing, until a message of this kind waits in the queue.
  bool waitForQueued(UINT message, const char* what, DWORD timeoutMs = kWaitMs);

  // restoreTrack, waited for.
  bool loadPaused(const std::wstring& source, const std::wstring& track, uint64_t ms);

  // Destroys the window, which shuts the player down.
  void destroy();

  // Every distinct playing path in the order they were taken up, and every question asked.
  std::vector<std::wstring> played;
  std::vector<std::wstring> questions;
  bool answer = true;  // what the confirmation says, unless onQuestion answers
  std::function<bool(const std::wstring&)> onQuestion;
  // Added to the player's clock: a test moves time on without waiting for it.
  uint64_t clockOffsetMs = 0;

  std::string describe();

 private:
  TempFolder data_{L"twk_player_"};
  std::wstring settingsPath_;
  HWND window_ = nullptr;
  Player* player_ = nullptr;
};

// The player holds this path loaded and paused, or plays it, with nothing more to load.
bool pausedOn(const Player& player, const std::wstring& path);
bool playsNow(const Player& player, const std::wstring& path);
// Opens a folder (or file) without playing and has one of its tracks loaded paused at a
// place, as the last session's track is taken up; pausedOn tells when it is.
void restoreTrack(Player& player, const std::wstring& source, const std::wstring& track,
                  uint64_t ms);

// Threads of this process now (all of them: ours, Wine's and the runtime's).
size_t threadCount();

}  // namespace testsupport
