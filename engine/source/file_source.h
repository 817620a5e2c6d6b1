// A local file as a byte source: positioned synchronous reads, no lock, no current position.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

#include "base/scoped_win.h"
#include "engine/source/byte_source.h"

namespace source {

class FileSource : public ByteSource {
 public:
  // Opens for reading while others may read or delete, but not write. error is 0 on success,
  // ERROR_HANDLE_EOF (38) for an empty file, otherwise the system's error code.
  static std::unique_ptr<FileSource> open(const std::wstring& path, uint32_t& error);

  ~FileSource() override;
  FileSource(const FileSource&) = delete;
  FileSource& operator=(const FileSource&) = delete;

  uint64_t size() override { return static_cast<uint64_t>(size_); }
  bool readAt(uint64_t offset, uint8_t* buffer, uint64_t count, uint64_t& bytesRead) override;
  bool seekable() override { return true; }
  // A blocked local read is broken with CancelSynchronousIo on the reading thread instead.
  void cancel() override {}
  std::wstring contentType() override { return {}; }
  bool mediumLost() override { return false; }

 private:
  FileSource(base::ScopedHandle file, int64_t size) : file_(std::move(file)), size_(size) {}

  base::ScopedHandle file_;
  int64_t size_;
};

}  // namespace source
