// A helper for scripts that drive the running player: waits for its main window, optionally
// until a track plays (the caption names it), then sends it WM_COMMAND with each given
// command id in turn; --close asks the window to close. Usage:
//   send_command [--wait-playing] [id ...] [--close]
// Exit code 0 when every step was done, 1 otherwise.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "ui/main_window.h"

namespace {

constexpr ULONGLONG kWaitMs = 30000;

std::wstring captionOf(HWND window) {
  wchar_t caption[512] = {};
  GetWindowTextW(window, caption, 512);
  return caption;
}

template <typename Condition>
bool waitUntil(Condition done) {
  const ULONGLONG deadline = GetTickCount64() + kWaitMs;
  while (!done()) {
    if (GetTickCount64() >= deadline) return false;
    Sleep(50);  // polling another process's window: there is nothing to wait on
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  HWND window = nullptr;
  if (!waitUntil([&] { return (window = FindWindowW(kMainWindowClass, nullptr)) != nullptr; })) {
    std::fprintf(stderr, "send_command: no Tarnwick window\n");
    return 1;
  }
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--wait-playing") == 0) {
      const bool playing = waitUntil([&] {
        const std::wstring caption = captionOf(window);
        return caption.size() > 11 && caption.ends_with(L" - Tarnwick");
      });
      if (!playing) {
        std::fprintf(stderr, "send_command: nothing plays\n");
        return 1;
      }
      continue;
    }
    if (std::strcmp(argv[i], "--close") == 0) {
      PostMessageW(window, WM_CLOSE, 0, 0);
      continue;
    }
    const int id = std::atoi(argv[i]);
    DWORD_PTR result = 0;
    if (id <= 0 || !SendMessageTimeoutW(window, WM_COMMAND, static_cast<WPARAM>(id), 0,
                                        SMTO_ABORTIFHUNG, 5000, &result)) {
      std::fprintf(stderr, "send_command: command %s not sent\n", argv[i]);
      return 1;
    }
  }
  return 0;
}
