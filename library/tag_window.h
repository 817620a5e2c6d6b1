// Positioned reads for the tag walks: a file or a memory image is read a window at a time,
// so that the walks can step over cover art and audio to the tags behind them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// A file or memory image read by position.
class TagReader {
 public:
  virtual uint64_t size() const = 0;
  // Copies up to `length` bytes at `offset` into dest; returns how many arrived.
  virtual size_t readAt(uint64_t offset, uint8_t* dest, size_t length) = 0;

 protected:
  ~TagReader() = default;
};

class MemoryTagReader final : public TagReader {
 public:
  MemoryTagReader(const uint8_t* data, size_t length) : data_(data), length_(data ? length : 0) {}
  uint64_t size() const override { return length_; }
  size_t readAt(uint64_t offset, uint8_t* dest, size_t length) override;

 private:
  const uint8_t* data_;
  size_t length_;
};

constexpr size_t kTagWindowBytes = 16384;  // the first read, and the least of every later one

// Holds one window of the reader's bytes. A request outside it reads a new window from the
// request on (keeping what it already holds of it): at least the request, at least
// `minWindow`, at least as much as all reads so far, so that a walk over many small pieces
// needs few reads. All reads together take at most `budget` bytes, and none reads a byte twice
// while the requests go forward.
class TagWindow {
 public:
  TagWindow(TagReader& reader, size_t budget, size_t minWindow = kTagWindowBytes);

  // Shrinks to where a read came back short, as when the file was cut meanwhile.
  uint64_t size() const { return size_; }

  // The `length` bytes at `offset`, or null when they are not all there (past the end, or
  // beyond the budget). Valid until the next request.
  const uint8_t* read(uint64_t offset, size_t length);
  // As many of them as there are (`got` tells); null when none.
  const uint8_t* readSome(uint64_t offset, size_t length, size_t& got);
  // The bytes when the window already holds them; never reads.
  const uint8_t* held(uint64_t offset, size_t length) const;

  size_t bytesRead() const { return bytesRead_; }
  size_t reads() const { return reads_; }

 private:
  TagReader& reader_;
  uint64_t size_;
  size_t budget_;
  size_t minWindow_;
  uint64_t start_ = 0;  // file offset of bytes_[0]
  std::vector<uint8_t> bytes_;
  size_t bytesRead_ = 0;
  size_t reads_ = 0;
};
