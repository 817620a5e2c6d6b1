// The real main window for the window tests: made as start-up makes it, with its own settings
// folder, its Player, workers and audio output. No GoogleTest here.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>

#include "base/settings.h"
#include "player/player.h"
#include "tests/support/win_test_support.h"
#include "ui/main_window.h"

namespace testsupport {

class MainWindowHost {
 public:
  static constexpr DWORD kWaitMs = 30000;

  // The first paint has run the deferred start (workers) by the time the constructor returns.
  // The settings file is in a folder of the host's own unless a path is given: a window made
  // again on the path of an earlier one, with the settings read from it, is a restart.
  explicit MainWindowHost(const Settings& settings = Settings(),
                          int showCommand = SW_SHOWNOACTIVATE,
                          const std::wstring& settingsPath = std::wstring());
  ~MainWindowHost() { destroy(); }
  MainWindowHost(const MainWindowHost&) = delete;
  MainWindowHost& operator=(const MainWindowHost&) = delete;

  bool ok() const;
  HWND hwnd() const { return hwnd_; }
  MainWindow& w() const { return *mainWindowOf(hwnd_); }
  Player& player() const { return *w().player; }
  HWND item(int id) const { return GetDlgItem(hwnd_, id); }
  const std::wstring& settingsPath() const { return settingsPath_; }

  bool waitFor(const std::function<bool()>& done) const { return pumpUntil(done, kWaitMs); }
  // Opens a folder or file without playing it and waits for its list.
  bool open(const std::wstring& path, bool includeSubfolders) const;
  // Opens a folder or file and loads one of its tracks paused at a place, as the last
  // session's track is taken up.
  bool loadPaused(const std::wstring& source, const std::wstring& track, uint64_t ms) const;

  void click(int id) const;
  // What the tooltip window would show for a control: asked the way the tooltip asks.
  std::wstring tooltip(int id) const;
  void scroll(HWND bar, int position, int code) const;
  int itemCount() const;
  std::wstring rowText(int row) const;

  // Destroys the window (which shuts the player down) and takes away the quit message it
  // posts, so that later message loops of this thread run normally.
  void destroy();

 private:
  TempFolder data_{L"twk_window_"};
  std::wstring settingsPath_;
  HWND hwnd_ = nullptr;
  bool started_ = false;
};

}  // namespace testsupport
