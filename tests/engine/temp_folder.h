// A fresh temporary folder for one test, removed with everything in it afterwards.
#pragma once

#include <windows.h>

#include <atomic>
#include <filesystem>
#include <string>

#include "base/text.h"

namespace testfs {

class TempFolder {
 public:
  TempFolder() {
    static std::atomic<int> counter{0};
    wchar_t base[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH, base);
    path_ = std::filesystem::path(base) /
            (L"twk-decoding-" + text::toDecimal(int64_t{GetCurrentProcessId()}) + L"-" +
             text::toDecimal(int64_t{counter++}));
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
  }
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  std::wstring file(const std::wstring& name) const { return (path_ / name).wstring(); }

 private:
  std::filesystem::path path_;
};

}  // namespace testfs
