// Start-up time: runs Tarnwick.exe --measure-startup and the bare window program (both next
// to this program) alternately N times each and prints the medians of their first_paint_ms
// and the ratio. Usage: startup_bench [runs=15]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/support/child_process.h"
#include "tests/support/win_test_support.h"

namespace {

constexpr DWORD kRunTimeoutMs = 60000;

std::wstring besideThisProgram(const wchar_t* name) {
  wchar_t self[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring folder = self;
  folder.resize(folder.find_last_of(L"\\/") + 1);
  return folder + name;
}

// The first paint time one run printed; negative when it printed none.
double measure(const std::wstring& program, const std::vector<std::wstring>& arguments,
               const std::wstring& environment) {
  childproc::Child child;
  if (!child.start(program, arguments, environment, true) || !child.wait(kRunTimeoutMs)) {
    return -1;
  }
  const size_t at = child.output.find("first_paint_ms=");
  if (at == std::string::npos) return -1;
  return std::strtod(child.output.c_str() + at + 15, nullptr);
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const size_t n = values.size();
  return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

void print(const char* name, const std::vector<double>& values) {
  std::printf("%-10s median %8.2f ms  min %8.2f  max %8.2f  (%zu runs)\n", name, median(values),
              *std::min_element(values.begin(), values.end()),
              *std::max_element(values.begin(), values.end()), values.size());
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 15;
  const std::wstring player = besideThisProgram(L"Tarnwick.exe");
  const std::wstring bare = besideThisProgram(L"bare_window.exe");
  // A data folder of its own: the player reads default settings every time.
  testsupport::TempFolder data(L"twk_startup_bench_");
  const std::wstring environment = childproc::environmentWith({{L"LOCALAPPDATA", data.root()}});

  std::vector<double> playerTimes, bareTimes;
  for (int i = 0; i < runs; ++i) {
    const double p = measure(player, {L"--measure-startup"}, environment);
    const double b = measure(bare, {}, environment);
    if (p < 0 || b < 0) {
      std::fprintf(stderr, "run %d: no first_paint_ms line (player %.2f, bare %.2f)\n", i, p, b);
      return 1;
    }
    playerTimes.push_back(p);
    bareTimes.push_back(b);
  }
  print("Tarnwick", playerTimes);
  print("bare", bareTimes);
  std::printf("ratio      %.2f (Tarnwick median / bare median)\n",
              median(playerTimes) / median(bareTimes));
  return 0;
}
