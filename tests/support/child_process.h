// Starting the real program from tests and benchmarks: a child process with its own
// environment and, when asked, its standard output captured. No GoogleTest here.
#pragma once

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "base/scoped_win.h"

namespace childproc {

// This process's environment with the given variables set (replacing same-named ones), as a
// block for CreateProcessW.
std::wstring environmentWith(const std::vector<std::pair<std::wstring, std::wstring>>& set);

// A Unix path as Wine sees it ("/a/b" -> "Z:\a\b"); other paths unchanged.
std::wstring windowsPath(const std::string& path);

class Child {
 public:
  Child() = default;
  ~Child();  // a child still running is terminated
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;

  bool start(const std::wstring& program, const std::vector<std::wstring>& arguments,
             const std::wstring& environment, bool captureOutput);
  // Waits for the exit at most timeoutMs, collecting output meanwhile; false on time-out.
  bool wait(DWORD timeoutMs);
  bool running() const;
  void terminate();
  DWORD processId() const { return processId_; }

  DWORD exitCode = STILL_ACTIVE;
  std::string output;

 private:
  void drain();
  base::ScopedHandle process_;
  base::ScopedHandle outputRead_;
  DWORD processId_ = 0;
};

// The shown top-level window of this class that belongs to the process, or null.
HWND windowOfProcess(const wchar_t* className, DWORD processId);

}  // namespace childproc
