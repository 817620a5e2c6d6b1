#include "player/listening_log.h"

#include "base/path.h"

#include <algorithm>
#include <optional>
#include <string>

namespace {

constexpr DWORD kMaxWritePiece = 0x40000000;  // 1 GiB per WriteFile
constexpr wchar_t kLogName[] = L"listening.log";

// The whole file, or its last 8 MiB; empty when it does not exist, nothing when it exists
// but cannot be read (then it must not be rewritten).
std::optional<std::string> readLog(const std::wstring& path) {
  const base::ScopedHandle file(CreateFileW(path.c_str(), GENERIC_READ,
                                            FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) {
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return std::string();
    return std::nullopt;
  }
  HANDLE raw = file.get();
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(raw, &size) || size.QuadPart < 0) return std::nullopt;
  uint64_t length = static_cast<uint64_t>(size.QuadPart);
  if (length > logcodec::kReadLimit) {
    LARGE_INTEGER offset{};
    offset.QuadPart = static_cast<LONGLONG>(length - logcodec::kReadLimit);
    if (!SetFilePointerEx(raw, offset, nullptr, FILE_BEGIN)) return std::nullopt;
    length = logcodec::kReadLimit;
  }
  std::string content(static_cast<size_t>(length), '\0');
  DWORD got = 0;
  if (length != 0 && !ReadFile(raw, content.data(), static_cast<DWORD>(length), &got, nullptr)) {
    return std::nullopt;
  }
  content.resize(got);
  return content;
}

bool writeAll(HANDLE file, const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    const DWORD piece = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, kMaxWritePiece));
    DWORD wrote = 0;
    if (!WriteFile(file, bytes.data() + done, piece, &wrote, nullptr) || wrote == 0) return false;
    done += wrote;
  }
  return true;
}

// Replaces the file's content. Written beside it first and then moved over it, so that a
// failed write (a full disk, a crash) leaves the old log instead of a cut one.
void rewriteLog(const std::wstring& path, const std::string& content) {
  const std::wstring temporary = path + L".new";
  base::ScopedHandle file(CreateFileW(temporary.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                      CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return;
  const bool written = writeAll(file.get(), content) && FlushFileBuffers(file.get());
  file.reset();
  if (!written || !MoveFileExW(temporary.c_str(), path.c_str(),
                               MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    DeleteFileW(temporary.c_str());
  }
}

LogTime localTime() {
  SYSTEMTIME now{};
  GetLocalTime(&now);
  LogTime time;
  time.year = now.wYear;
  time.month = now.wMonth;
  time.day = now.wDay;
  time.hour = now.wHour;
  time.minute = now.wMinute;
  time.second = now.wSecond;
  return time;
}

}  // namespace

ListeningLog::~ListeningLog() { close(); }

std::wstring ListeningLog::pathBeside(const std::wstring& settingsPath) {
  // No settings path means no data folder: nothing is kept.
  if (settingsPath.empty()) return {};
  return paths::sibling(settingsPath, kLogName);
}

void ListeningLog::openForAppending() {
  file_.reset(CreateFileW(path_.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                          FILE_ATTRIBUTE_NORMAL, nullptr));
  size_ = 0;
  if (!file_) return;
  LARGE_INTEGER size{};
  if (GetFileSizeEx(file_.get(), &size)) size_ = size.QuadPart;
}

LogSummary ListeningLog::open(const std::wstring& path) {
  close();
  path_ = path;
  if (path_.empty()) return LogSummary();
  const size_t slash = paths::lastSeparator(path_);
  if (slash != std::wstring::npos && slash > 0) {
    CreateDirectoryW(path_.substr(0, slash).c_str(), nullptr);
  }

  std::optional<std::string> read = readLog(path_);
  std::string content = read ? std::move(*read) : std::string();
  if (read) {
    bool changed = false;
    if (content.size() > logcodec::kSizeCap) {
      content = logcodec::trim(std::move(content));
      changed = true;
    }
    if (!content.empty() && content.back() != '\n') {
      content.push_back('\n');
      changed = true;
    }
    if (changed) rewriteLog(path_, content);
  }
  openForAppending();
  return logcodec::summarise(content);
}

void ListeningLog::append(int code, const std::wstring& path, uint64_t positionMs) {
  if (!file_) return;
  const std::string line = logcodec::formatLine(localTime(), code, path, positionMs);
  if (line.empty()) return;
  if (size_ + static_cast<int64_t>(line.size()) > static_cast<int64_t>(logcodec::kSizeCap)) {
    file_.reset();
    // An unreadable log is left as it is rather than replaced by nothing.
    if (std::optional<std::string> content = readLog(path_)) {
      rewriteLog(path_, logcodec::trim(std::move(*content)));
    }
    openForAppending();
    if (!file_) return;
  }
  if (writeAll(file_.get(), line)) size_ += static_cast<int64_t>(line.size());
}

void ListeningLog::close() {
  file_.reset();
  size_ = 0;
}
