// Windows helpers shared by the tests and benchmarks: temporary folders and a bounded message
// pump (whole files: tests/support/files.h). No GoogleTest here, so benchmarks can
// link it too; callers turn the results into assertions.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "tests/support/files.h"

namespace testsupport {

// Removes a folder with everything in it, clearing read-only and similar attributes first.
void removeTree(const std::wstring& folder);

bool exists(const std::wstring& path);

// Dispatches this thread's messages one at a time until done() holds; false once timeoutMs
// has passed. Between messages it sleeps at most sliceMs, so conditions that change without
// a message are seen that soon.
bool pumpUntil(const std::function<bool()>& done, DWORD timeoutMs, DWORD sliceMs = 20);

// Milliseconds from the performance counter, for benchmark figures.
double nowMs();

// A fresh folder under the temporary folder named after the prefix, the process and a
// counter; removed with everything in it.
class TempFolder {
 public:
  explicit TempFolder(const std::wstring& prefix = L"twk_test_");
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::wstring& root() const { return root_; }
  std::wstring path(const std::wstring& relative) const { return root_ + L"\\" + relative; }
  // Writes a file (creating its subfolder when the name has one) and returns its path; throws
  // when it cannot (a test then fails with the path).
  std::wstring write(const std::wstring& name, const std::string& bytes) const;
  std::wstring write(const std::wstring& name, const std::vector<uint8_t>& bytes) const;

 private:
  std::wstring root_;
};

}  // namespace testsupport
