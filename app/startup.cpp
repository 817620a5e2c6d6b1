#include "app/startup.h"

#include <shellapi.h>

#include <memory>

#include "app/command_line.h"

namespace {

struct LocalFreeDeleter {
  void operator()(void* memory) const { LocalFree(memory); }
};

}  // namespace

std::vector<std::wstring> commandLineArguments() { return splitCommandLine(GetCommandLineW()); }

std::vector<std::wstring> splitCommandLine(const wchar_t* commandLine) {
  std::vector<std::wstring> arguments;
  int count = 0;
  std::unique_ptr<LPWSTR, LocalFreeDeleter> argv(CommandLineToArgvW(commandLine, &count));
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
