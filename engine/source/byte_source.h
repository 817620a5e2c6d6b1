// The random-access byte source every streamed track is read through: a local file, an HTTP
// resource read with ranges, or an audio-CD track.
#pragma once

#include <cstdint>
#include <string>

namespace source {

// size() while the length is not known yet.
constexpr uint64_t kUnknownSize = ~0ull;

class ByteSource {
 public:
  virtual ~ByteSource() = default;

  virtual uint64_t size() = 0;

  // Positioned read; there is no current position, so several readers can share a source.
  // bytesRead is set to 0 on entry and always counts the bytes stored at the start of
  // buffer. A count of 0, or an offset at or past the end, stores nothing and returns true;
  // a short read is normal at the end. A failure after some bytes returns true with the
  // partial count, a failure before any byte returns false. Callers take true with 0 bytes
  // as the end of the data.
  virtual bool readAt(uint64_t offset, uint8_t* buffer, uint64_t count, uint64_t& bytesRead) = 0;

  // Whether random access is cheap enough to offer seeking.
  virtual bool seekable() = 0;

  // Makes a blocked or future readAt return early; callable from any thread.
  virtual void cancel() = 0;

  // MIME type announced by the source, or empty.
  virtual std::wstring contentType() = 0;

  // True once the source found that its medium has gone (the CD was removed).
  virtual bool mediumLost() = 0;
};

}  // namespace source
