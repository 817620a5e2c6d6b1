#include "library/tag_window.h"

#include <algorithm>
#include <cstring>

size_t MemoryTagReader::readAt(uint64_t offset, uint8_t* dest, size_t length) {
  if (offset >= length_) return 0;
  const size_t n = static_cast<size_t>(std::min<uint64_t>(length, length_ - offset));
  std::memcpy(dest, data_ + offset, n);
  return n;
}

TagWindow::TagWindow(TagReader& reader, size_t budget, size_t minWindow)
    : reader_(reader),
      size_(reader.size()),
      budget_(budget),
      minWindow_(std::max<size_t>(minWindow, 1)) {}

const uint8_t* TagWindow::held(uint64_t offset, size_t length) const {
  const uint64_t end = start_ + bytes_.size();
  if (offset < start_ || offset > end || length > end - offset) return nullptr;
  return bytes_.data() + (offset - start_);
}

const uint8_t* TagWindow::readSome(uint64_t offset, size_t length, size_t& got) {
  got = 0;
  if (offset >= size_ || length == 0) return nullptr;
  const size_t wanted = static_cast<size_t>(std::min<uint64_t>(length, size_ - offset));
  const uint64_t end = start_ + bytes_.size();
  if (offset < start_ || offset + wanted > end) {
    // Keep what the window holds from the request on; read on from its end.
    size_t kept = 0;
    if (offset >= start_ && offset < end) {
      kept = static_cast<size_t>(end - offset);
      std::memmove(bytes_.data(), bytes_.data() + (offset - start_), kept);
    }
    start_ = offset;
    bytes_.resize(kept);
    const uint64_t from = offset + kept;
    // Each read at least doubles what was read so far, which bounds the number of reads.
    const uint64_t ahead = std::max<uint64_t>(minWindow_, bytesRead_);
    const uint64_t amount = std::min<uint64_t>(
        {std::max<uint64_t>(wanted - kept, ahead), size_ - from, budget_ - bytesRead_});
    if (amount > 0) {
      bytes_.resize(kept + static_cast<size_t>(amount));
      const size_t arrived =
          reader_.readAt(from, bytes_.data() + kept, static_cast<size_t>(amount));
      bytes_.resize(kept + arrived);
      bytesRead_ += arrived;
      ++reads_;
      if (arrived < amount) size_ = from + arrived;
    }
  }
  got = static_cast<size_t>(std::min<uint64_t>(wanted, start_ + bytes_.size() - offset));
  return got ? bytes_.data() + (offset - start_) : nullptr;
}

const uint8_t* TagWindow::read(uint64_t offset, size_t length) {
  size_t got = 0;
  const uint8_t* bytes = readSome(offset, length, got);
  return got == length ? bytes : nullptr;
}
