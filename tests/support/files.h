// Whole files read and written by tests and benchmarks, in both trees. On Windows a file is
// read also while another process has it open for writing. Header-only: every test program
// can use it without registering a source.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#ifdef _WIN32
#include <windows.h>

#include "base/scoped_win.h"
#endif

namespace testsupport {

// The whole file; empty when it cannot be opened.
inline std::string readFile(const std::filesystem::path& path) {
  std::string bytes;
#ifdef _WIN32
  const base::ScopedHandle file(CreateFileW(path.c_str(), GENERIC_READ,
                                            FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return bytes;
  char buffer[65536];
  DWORD got = 0;
  while (ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr) && got != 0) {
    bytes.append(buffer, got);
  }
#else
  std::ifstream in(path, std::ios::binary);
  bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
#endif
  return bytes;
}

inline std::vector<uint8_t> readBytes(const std::filesystem::path& path) {
  const std::string bytes = readFile(path);
  return std::vector<uint8_t>(bytes.begin(), bytes.end());
}

// Creates or replaces a file with exactly these bytes; false when it cannot.
inline bool writeFile(const std::filesystem::path& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

inline bool writeFile(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
  return writeFile(path,
                   std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

}  // namespace testsupport
