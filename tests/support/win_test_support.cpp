#include "tests/support/win_test_support.h"

#include <algorithm>
#include <atomic>
#include <stdexcept>

#include "base/scoped_win.h"
#include "base/text.h"

namespace testsupport {

void removeTree(const std::wstring& folder) {
  WIN32_FIND_DATAW data;
  if (const base::ScopedFind find{FindFirstFileW((folder + L"\\*").c_str(), &data)}) {
    do {
      const std::wstring name = data.cFileName;
      if (name == L"." || name == L"..") continue;
      const std::wstring path = folder + L"\\" + name;
      SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
      if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        removeTree(path);
      } else {
        DeleteFileW(path.c_str());
      }
    } while (FindNextFileW(find.get(), &data));
  }
  SetFileAttributesW(folder.c_str(), FILE_ATTRIBUTE_NORMAL);
  RemoveDirectoryW(folder.c_str());
}

bool exists(const std::wstring& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool pumpUntil(const std::function<bool()>& done, DWORD timeoutMs, DWORD sliceMs) {
  const ULONGLONG deadline = GetTickCount64() + timeoutMs;
  for (;;) {
    if (done()) return true;
    const ULONGLONG now = GetTickCount64();
    if (now >= deadline) return false;
    MSG msg;
    if (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
      continue;
    }
    MsgWaitForMultipleObjects(0, nullptr, FALSE,
                              static_cast<DWORD>(std::min<ULONGLONG>(deadline - now, sliceMs)),
                              QS_ALLINPUT);
  }
}

double nowMs() {
  static const LARGE_INTEGER frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f;
  }();
  LARGE_INTEGER counter;
  QueryPerformanceCounter(&counter);
  return static_cast<double>(counter.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

TempFolder::TempFolder(const std::wstring& prefix) {
  static std::atomic<int> counter{0};
  wchar_t base[MAX_PATH + 1];
  const DWORD n = GetTempPathW(MAX_PATH + 1, base);
  root_ = std::wstring(base, n) + prefix +
          text::toDecimal(static_cast<uint64_t>(GetCurrentProcessId())) + L"_" +
          text::toDecimal(static_cast<int64_t>(++counter));
  removeTree(root_);
  CreateDirectoryW(root_.c_str(), nullptr);
}

TempFolder::~TempFolder() { removeTree(root_); }

std::wstring TempFolder::write(const std::wstring& name, const std::string& bytes) const {
  return write(name, std::vector<uint8_t>(bytes.begin(), bytes.end()));
}

std::wstring TempFolder::write(const std::wstring& name, const std::vector<uint8_t>& bytes) const {
  const size_t slash = name.find_last_of(L'\\');
  if (slash != std::wstring::npos) CreateDirectoryW(path(name.substr(0, slash)).c_str(), nullptr);
  const std::wstring full = path(name);
  if (!writeFile(full, bytes)) throw std::runtime_error("can't write " + text::wideToUtf8(full));
  return full;
}

}  // namespace testsupport
