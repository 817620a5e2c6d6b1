// A byte source whose reads come one at a time: Media Foundation reads through its IStream on
// threads of its own while the reader also reads the container directly, and a network source
// serves one reader at a time. cancel() passes straight through, so that it can still break a
// blocked read.
#pragma once

#include <memory>
#include <mutex>
#include <string>

#include "engine/source/byte_source.h"

namespace source {

class SerializedSource : public ByteSource {
 public:
  explicit SerializedSource(std::unique_ptr<ByteSource> inner) noexcept
      : inner_(std::move(inner)) {}

  uint64_t size() override {
    std::lock_guard<std::mutex> lock(mutex_);
    return inner_->size();
  }
  bool readAt(uint64_t offset, uint8_t* buffer, uint64_t count, uint64_t& bytesRead) override {
    std::lock_guard<std::mutex> lock(mutex_);
    return inner_->readAt(offset, buffer, count, bytesRead);
  }
  bool seekable() override {
    std::lock_guard<std::mutex> lock(mutex_);
    return inner_->seekable();
  }
  void cancel() override { inner_->cancel(); }
  std::wstring contentType() override {
    std::lock_guard<std::mutex> lock(mutex_);
    return inner_->contentType();
  }
  bool mediumLost() override { return inner_->mediumLost(); }

 private:
  std::unique_ptr<ByteSource> inner_;
  std::mutex mutex_;
};

}  // namespace source
