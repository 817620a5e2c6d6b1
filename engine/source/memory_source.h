// A byte source over bytes held in memory, for tests and the decoder fuzz target.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/source/byte_source.h"

namespace source {

class MemorySource : public ByteSource {
 public:
  explicit MemorySource(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)) {}

  uint64_t size() override { return bytes_.size(); }
  bool readAt(uint64_t offset, uint8_t* buffer, uint64_t count, uint64_t& bytesRead) override;
  bool seekable() override { return true; }
  void cancel() override {}
  std::wstring contentType() override { return {}; }
  bool mediumLost() override { return false; }

 private:
  std::vector<uint8_t> bytes_;
};

}  // namespace source
