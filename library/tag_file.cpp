// readTags: positioned reads of a local file. ASF files hand their header object to its
// parser, MP4 files are read in place by theirs, and everything else goes through the tag
// walks and the last 128 bytes.
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <new>

#include "base/scoped_win.h"
#include "engine/asf_parser.h"
#include "engine/mp4_parser.h"
#include "library/tag_window.h"
#include "library/tags.h"

namespace {

constexpr size_t kAsfSizeFieldEnd = 30;  // GUID, 64-bit size, object count, two reserved bytes
constexpr DWORD kMaxReadChunk = 1u << 30;
const uint8_t kAsfHeaderGuid[16] = {0x30, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11,
                                    0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C};

// Positioned reads of the open file as a seek (only when the file is elsewhere) and plain
// reads: a read with an OVERLAPPED offset costs Wine a server round trip, and most files need
// just one read from the start.
class FileTagReader final : public TagReader {
 public:
  FileTagReader(HANDLE file, uint64_t size) : file_(file), size_(size) {}
  uint64_t size() const override { return size_; }

  // Until `length` bytes are in, the file ends or a read fails.
  size_t readAt(uint64_t offset, uint8_t* dest, size_t length) override {
    if (offset != position_) {
      LARGE_INTEGER to;
      to.QuadPart = static_cast<LONGLONG>(offset);
      if (!SetFilePointerEx(file_, to, nullptr, FILE_BEGIN)) return 0;
      position_ = offset;
    }
    size_t done = 0;
    while (done < length) {
      const DWORD chunk = static_cast<DWORD>(std::min<size_t>(length - done, kMaxReadChunk));
      DWORD got = 0;
      const bool ok = ReadFile(file_, dest + done, chunk, &got, nullptr) != 0;
      done += got;
      position_ += got;
      if (!ok || got == 0) break;
    }
    return done;
  }

 private:
  HANDLE file_;
  uint64_t size_;
  uint64_t position_ = 0;  // a freshly opened file is at its start
};

// BoxReader over the file's reader: all `length` bytes or false.
bool readBoxAt(void* user, uint64_t offset, void* dest, size_t length) {
  auto* reader = static_cast<FileTagReader*>(user);
  return reader->readAt(offset, static_cast<uint8_t*>(dest), length) == length;
}

TagInfo readFileTags(HANDLE file, uint32_t codepage, bool full) {
  LARGE_INTEGER sizeValue;
  if (!GetFileSizeEx(file, &sizeValue) || sizeValue.QuadPart <= 0) return {};
  const uint64_t fileSize = static_cast<uint64_t>(sizeValue.QuadPart);

  FileTagReader reader(file, fileSize);
  TagWindow window(reader, full ? kTagFullReadBytes : kTagHeaderOnlyBytes);
  size_t got = 0;
  const uint8_t* head = window.readSome(0, kAsfSizeFieldEnd, got);

  if (got >= sizeof kAsfHeaderGuid && std::memcmp(head, kAsfHeaderGuid, 16) == 0) {
    // The parser looks at the header object alone, which may run far past the first window
    // (cover art): read as much of it as the mode allows.
    const uint64_t headerSize = asfHeaderSize(head, got);
    const uint8_t* header = window.readSome(0, static_cast<size_t>(headerSize), got);
    TagInfo info;
    readAsfHeader(header, got, info);
    info.drm = false;  // protection is the decoder's business, not the tag reader's
    return info;
  }

  if (got >= 8 && std::memcmp(head + 4, "ftyp", 4) == 0) {
    const BoxReader boxes{&readBoxAt, &reader, fileSize};
    TagInfo info;
    readMp4Tags(boxes, info);
    info.drm = false;
    return info;
  }

  // ID3v1 lives in the last 128 bytes; a small file already has them in the first window.
  uint8_t tail[kTagTailBytes];
  size_t tailLength = 0;
  if (fileSize >= kTagTailBytes) {
    if (const uint8_t* held = window.held(fileSize - kTagTailBytes, kTagTailBytes)) {
      std::memcpy(tail, held, kTagTailBytes);
      tailLength = kTagTailBytes;
    } else if (reader.readAt(fileSize - kTagTailBytes, tail, kTagTailBytes) == kTagTailBytes) {
      tailLength = kTagTailBytes;
    }
  }
  return parseTagWindow(window, tailLength ? tail : nullptr, tailLength, codepage);
}

}  // namespace

TagInfo readTags(const std::wstring& path, uint32_t codepage, bool full) {
  const base::ScopedHandle file(CreateFileW(
      path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
      OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!file) return {};
  try {
    return readFileTags(file.get(), codepage, full);
  } catch (const std::bad_alloc&) {
    return {};
  }
}
