#include "engine/source/file_source.h"

#include <algorithm>
#include <new>

namespace source {

namespace {
// ReadFile takes a 32-bit count; larger reads are split.
constexpr uint64_t kMaxReadPerCall = 0x40000000;
}  // namespace

std::unique_ptr<FileSource> FileSource::open(const std::wstring& path, uint32_t& error) {
  base::ScopedHandle file(CreateFileW(path.c_str(), GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) {
    error = GetLastError();
    return nullptr;
  }
  LARGE_INTEGER size;
  if (!GetFileSizeEx(file.get(), &size)) {
    error = GetLastError();
    return nullptr;
  }
  if (size.QuadPart == 0) {
    error = ERROR_HANDLE_EOF;
    return nullptr;
  }
  std::unique_ptr<FileSource> created(new (std::nothrow)
                                          FileSource(std::move(file), size.QuadPart));
  if (!created) {
    error = ERROR_NOT_ENOUGH_MEMORY;
    return nullptr;
  }
  error = 0;
  return created;
}

FileSource::~FileSource() = default;

bool FileSource::readAt(uint64_t offset, uint8_t* buffer, uint64_t count, uint64_t& bytesRead) {
  bytesRead = 0;
  const uint64_t size = static_cast<uint64_t>(size_);
  while (bytesRead < count && offset < size) {
    OVERLAPPED at = {};
    at.Offset = static_cast<DWORD>(offset);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    // The size is fixed at creation: a file that grew since is not read past it.
    DWORD want = static_cast<DWORD>(std::min({count - bytesRead, size - offset, kMaxReadPerCall}));
    DWORD got = 0;
    if (!ReadFile(file_.get(), buffer + bytesRead, want, &got, &at)) return bytesRead > 0;
    if (got == 0) break;
    bytesRead += got;
    offset += got;
  }
  return true;
}

}  // namespace source
