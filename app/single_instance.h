// One player per user session: the named mutex and handing this start's paths to the running
// player (whose window receives them, ui/window_proc.cpp).
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "base/scoped_win.h"

constexpr wchar_t kSingleInstanceMutex[] = L"Local\\Tarnwick.SingleInstance";

// The session's lock. claim() creates the mutex (not owned) and tells whether this process
// is the first player; the handle is kept until close() or destruction either way.
class SingleInstance {
 public:
  SingleInstance() = default;
  SingleInstance(const SingleInstance&) = delete;
  SingleInstance& operator=(const SingleInstance&) = delete;

  bool claim();
  void close();

 private:
  base::ScopedHandle mutex_;
};

// Finds the running player's window (every 50 ms for up to 3000 ms) and sends it the paths.
// False only when no window appeared; a send that fails or times out still counts as done.
bool sendHandoff(const std::vector<std::wstring>& paths);
