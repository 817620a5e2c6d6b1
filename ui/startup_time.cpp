#include "ui/startup_time.h"

#include <windows.h>

#include <cstdint>
#include <cstdio>

#include "base/scoped_win.h"

namespace {

// A stage keeps only a performance-counter reading, cheap enough for every start; it becomes
// milliseconds since the process's creation when the line is written.
struct Stage {
  const char* name;
  int64_t counter;
};
constexpr int kMaxStages = 24;
Stage stages[kMaxStages];
int stageCount = 0;

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

void markStartupStage(const char* name) {
  if (stageCount >= kMaxStages) return;
  LARGE_INTEGER counter;
  QueryPerformanceCounter(&counter);
  stages[stageCount++] = {name, counter.QuadPart};
}

namespace {

// The stage breakdown is for the start-up benchmark only: it asks for it through the
// environment, and the measuring mode otherwise prints its one line.
int formatStages(char* line, size_t size) {
  wchar_t flag[2];
  if (stageCount == 0 || GetEnvironmentVariableW(L"TWK_STARTUP_STAGES", flag, 2) == 0) return 0;
  LARGE_INTEGER now, frequency;
  QueryPerformanceCounter(&now);
  QueryPerformanceFrequency(&frequency);
  const double nowMs = millisecondsSinceProcessStart();
  int length = std::snprintf(line, size, "stages_ms=");
  for (int i = 0; i < stageCount && length > 0 && static_cast<size_t>(length) < size; ++i) {
    const double ago = static_cast<double>(now.QuadPart - stages[i].counter) * 1000.0 /
                       static_cast<double>(frequency.QuadPart);
    length += std::snprintf(line + length, size - length, "%s%s:%.2f", i ? " " : "", stages[i].name,
                            nowMs - ago);
  }
  if (length <= 0 || static_cast<size_t>(length) + 3 > size) return 0;
  line[length++] = '\r';
  line[length++] = '\n';
  return length;
}

}  // namespace

void writeStartupTime(double firstPaintMs) {
  char line[64];
  const int length =
      std::snprintf(line, sizeof(line), "first_paint_ms=%.2f\r\n",
                    firstPaintMs >= 0 ? firstPaintMs : millisecondsSinceProcessStart());
  if (length <= 0 || static_cast<size_t>(length) >= sizeof(line)) return;
  char stageLine[1024];
  const int stageLength = formatStages(stageLine, sizeof(stageLine));

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
  if (stageLength > 0) {
    WriteFile(out, stageLine, static_cast<DWORD>(stageLength), &written, nullptr);
  }
}
