// Start-up time: runs Tarnwick.exe --measure-startup and the bare window program (both next
// to this program) alternately N times each and prints the medians of their first_paint_ms,
// the ratio, and the median time at which each program ended each stage of its start.
// Usage: startup_bench [runs=15]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <sstream>
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

// Each stage's times over the runs, in the order the program first named them.
struct Stages {
  std::vector<std::string> order;
  std::map<std::string, std::vector<double>> times;

  // Reads "stages_ms=name:ms name:ms ..." from a run's output.
  void add(const std::string& output) {
    const size_t at = output.find("stages_ms=");
    if (at == std::string::npos) return;
    std::istringstream line(output.substr(at + 10, output.find('\n', at) - at - 10));
    std::string item;
    while (line >> item) {
      const size_t colon = item.rfind(':');
      if (colon == std::string::npos) continue;
      const std::string name = item.substr(0, colon);
      if (!times.count(name)) order.push_back(name);
      times[name].push_back(std::strtod(item.c_str() + colon + 1, nullptr));
    }
  }
};

// The first paint time one run printed; negative when it printed none.
double measure(const std::wstring& program, const std::vector<std::wstring>& arguments,
               const std::wstring& environment, Stages& stages) {
  childproc::Child child;
  if (!child.start(program, arguments, environment, true) || !child.wait(kRunTimeoutMs)) {
    return -1;
  }
  const size_t at = child.output.find("first_paint_ms=");
  if (at == std::string::npos) return -1;
  stages.add(child.output);
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

void printStages(const char* name, const Stages& stages) {
  std::printf("%s stages (median ms since the process was created):", name);
  for (const std::string& stage : stages.order) {
    std::printf(" %s %.1f", stage.c_str(), median(stages.times.at(stage)));
  }
  std::printf("\n");
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 15;
  const std::wstring player = besideThisProgram(L"Tarnwick.exe");
  const std::wstring bare = besideThisProgram(L"bare_window.exe");
  // A data folder of its own: the player reads default settings every time.
  testsupport::TempFolder data(L"twk_startup_bench_");
  const std::wstring environment =
      childproc::environmentWith({{L"LOCALAPPDATA", data.root()}, {L"TWK_STARTUP_STAGES", L"1"}});

  std::vector<double> playerTimes, bareTimes;
  Stages playerStages, bareStages;
  for (int i = 0; i < runs; ++i) {
    const double p = measure(player, {L"--measure-startup"}, environment, playerStages);
    const double b = measure(bare, {}, environment, bareStages);
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
  printStages("Tarnwick", playerStages);
  printStages("bare", bareStages);
  return 0;
}
