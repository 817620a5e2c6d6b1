// Windows helpers shared by the tests and benchmarks: temporary folders, a bounded message
// pump and little-endian byte writers (whole files: tests/support/files.h). No GoogleTest here, so benchmarks can
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

// Little-endian writers for building file images.
template <typename Buffer>
void put16(Buffer& b, uint16_t v) {
  b.push_back(static_cast<typename Buffer::value_type>(v & 0xFF));
  b.push_back(static_cast<typename Buffer::value_type>(v >> 8));
}
template <typename Buffer>
void put32(Buffer& b, uint32_t v) {
  put16(b, static_cast<uint16_t>(v & 0xFFFF));
  put16(b, static_cast<uint16_t>(v >> 16));
}
template <typename Buffer>
void putText(Buffer& b, const char* text) {
  while (*text) b.push_back(static_cast<typename Buffer::value_type>(*text++));
}

}  // namespace testsupport
