#include "ui/startup_time.h"

#include <windows.h>

#include <cstdint>
#include <cstdio>

#include "base/scoped_win.h"

namespace {

uint64_t ticksOf(const FILETIME& time) {
  return (static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

}  // namespace

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
