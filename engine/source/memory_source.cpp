#include "engine/source/memory_source.h"

#include <algorithm>
#include <cstring>

namespace source {

bool MemorySource::readAt(uint64_t offset, uint8_t* buffer, uint64_t count, uint64_t& bytesRead) {
  bytesRead = 0;
  if (count == 0 || offset >= bytes_.size()) return true;
  uint64_t n = std::min<uint64_t>(count, bytes_.size() - offset);
  std::memcpy(buffer, bytes_.data() + offset, static_cast<size_t>(n));
  bytesRead = n;
  return true;
}

}  // namespace source
