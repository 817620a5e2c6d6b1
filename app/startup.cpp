#include "app/startup.h"

#include <shellapi.h>

#include <cstdio>
#include <memory>

#include "app/command_line.h"
#include "base/scoped_win.h"

namespace {

struct LocalFreeDeleter {
  void operator()(void* memory) const { LocalFree(memory); }
};

uint64_t ticksOf(const FILETIME& time) {
  return (static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

}  // namespace

std::vector<std::wstring> commandLineArguments() {
  std::vector<std::wstring> arguments;
  int count = 0;
  std::unique_ptr<LPWSTR, LocalFreeDeleter> argv(CommandLineToArgvW(GetCommandLineW(), &count));
  if (!argv) return arguments;
  for (int i = 1; i < count; ++i) arguments.emplace_back(argv.get()[i]);
  return arguments;
}

std::wstring fullPathName(const std::wstring& path) {
  const DWORD needed = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (needed == 0) return std::wstring();
  std::wstring full(needed, L'\0');
  const DWORD written = GetFullPathNameW(path.c_str(), needed, full.data(), nullptr);
  // The second call counts without the NUL; anything else means it did not fit.
  if (written == 0 || written >= needed) return std::wstring();
  full.resize(written);
  return full;
}

StartOptions readStartOptions() { return parseCommandLine(commandLineArguments(), fullPathName); }

double millisecondsSinceProcessStart() {
  FILETIME creation, exitTime, kernel, user;
  if (!GetProcessTimes(GetCurrentProcess(), &creation, &exitTime, &kernel, &user)) return 0;
  FILETIME now;
  GetSystemTimePreciseAsFileTime(&now);
  const uint64_t from = ticksOf(creation);
  const uint64_t to = ticksOf(now);
  return to > from ? static_cast<double>(to - from) / 10000.0 : 0.0;
}

void writeStartupTime() {
  char line[64];
  const int length =
      std::snprintf(line, sizeof(line), "first_paint_ms=%.2f\r\n", millisecondsSinceProcessStart());
  if (length <= 0 || static_cast<size_t>(length) >= sizeof(line)) return;

  HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  base::ScopedHandle console;
  if (out == nullptr || out == INVALID_HANDLE_VALUE) {
    // A GUI program started from a console has no standard output of its own.
    if (!AttachConsole(ATTACH_PARENT_PROCESS)) return;
    console.reset(CreateFileW(L"CONOUT$", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, 0, nullptr));
    if (!console) return;
    out = console.get();
  }
  DWORD written = 0;
  WriteFile(out, line, static_cast<DWORD>(length), &written, nullptr);
}

int runMessageLoop(HWND mainWindow) {
  MSG msg = {};
  for (;;) {
    const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0) return static_cast<int>(msg.wParam);
    if (got == -1) return 1;  // the loop broke without a WM_QUIT
    if (mainWindow && IsWindow(mainWindow) && IsDialogMessageW(mainWindow, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}
