// readTags: reads the start (and the last 128 bytes) of a local file and hands it to the
// right parser. MP4 files are read in place through positioned reads instead.
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "base/scoped_win.h"
#include "engine/asf_parser.h"
#include "engine/mp4_parser.h"
#include "library/tag_bytes.h"
#include "library/tags.h"

namespace {

constexpr size_t kId3HeaderBytes = 10;
constexpr size_t kAsfSizeFieldEnd = 30;  // GUID, 64-bit size, object count, two reserved bytes
constexpr DWORD kMaxReadChunk = 1u << 30;
const uint8_t kAsfHeaderGuid[16] = {0x30, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11,
                                    0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C};

// Sequential read from the file position; returns how many bytes arrived.
size_t readSome(HANDLE file, uint8_t* dest, size_t length) {
  size_t done = 0;
  while (done < length) {
    const DWORD chunk = static_cast<DWORD>(std::min<size_t>(length - done, kMaxReadChunk));
    DWORD got = 0;
    if (!ReadFile(file, dest + done, chunk, &got, nullptr) || got == 0) break;
    done += got;
  }
  return done;
}

bool seekTo(HANDLE file, uint64_t offset) {
  LARGE_INTEGER position;
  position.QuadPart = static_cast<LONGLONG>(offset);
  return SetFilePointerEx(file, position, nullptr, FILE_BEGIN) != 0;
}

// BoxReader over the open file: positioned reads until all `length` bytes are in.
bool readFileAt(void* user, uint64_t offset, void* dest, size_t length) {
  HANDLE file = static_cast<HANDLE>(user);
  auto* out = static_cast<uint8_t*>(dest);
  size_t done = 0;
  while (done < length) {
    const DWORD chunk = static_cast<DWORD>(std::min<size_t>(length - done, kMaxReadChunk));
    const uint64_t at = offset + done;
    OVERLAPPED overlapped = {};
    overlapped.Offset = static_cast<DWORD>(at);
    overlapped.OffsetHigh = static_cast<DWORD>(at >> 32);
    DWORD got = 0;
    if (!ReadFile(file, out + done, chunk, &got, &overlapped) || got == 0) return false;
    done += got;
  }
  return true;
}

// How much a read takes: a full read covers a whole ID3v2 tag (header, body, footer) up to
// 16 MiB, otherwise the first 64 KiB.
size_t readAmount(HANDLE file, bool full) {
  if (!full) return kTagHeaderOnlyBytes;
  uint8_t header[kId3HeaderBytes];
  if (readSome(file, header, sizeof header) != sizeof header) return kTagHeaderOnlyBytes;
  if (std::memcmp(header, "ID3", 3) != 0 || !tagbytes::isSyncsafe(header + 6))
    return kTagHeaderOnlyBytes;
  const uint64_t wanted = uint64_t(tagbytes::syncsafe32(header + 6)) + 20;
  if (wanted > kTagFullReadBytes - 1) return kTagFullReadBytes;
  if (wanted <= kTagHeaderOnlyBytes) return kTagHeaderOnlyBytes;
  return static_cast<size_t>(wanted);
}

TagInfo readFileTags(HANDLE file, uint32_t codepage, bool full) {
  LARGE_INTEGER sizeValue;
  if (!GetFileSizeEx(file, &sizeValue) || sizeValue.QuadPart <= 0) return {};
  const uint64_t fileSize = static_cast<uint64_t>(sizeValue.QuadPart);

  const size_t amount = readAmount(file, full);
  if (full && !seekTo(file, 0)) return {};
  const size_t wanted = static_cast<size_t>(std::min<uint64_t>(amount, fileSize));
  // Spare room at the end for the tail, so one allocation serves both reads.
  std::vector<uint8_t> buffer(wanted + kTagTailBytes);
  size_t got = readSome(file, buffer.data(), wanted);

  if (got >= sizeof kAsfHeaderGuid && std::memcmp(buffer.data(), kAsfHeaderGuid, 16) == 0) {
    const uint64_t headerSize = got >= kAsfSizeFieldEnd ? tagbytes::le64(buffer.data() + 16) : 0;
    if (full && headerSize > got && got == wanted && fileSize > got) {
      // The header objects may run far past 64 KiB (cover art); read them all, bounded.
      const size_t grown = static_cast<size_t>(
          std::min<uint64_t>({headerSize, uint64_t(kTagFullReadBytes), fileSize}));
      buffer.resize(grown);
      got += readSome(file, buffer.data() + got, grown - got);
    }
    TagInfo info;
    readAsfHeader(buffer.data(), got, info);
    info.drm = false;  // protection is the decoder's business, not the tag reader's
    return info;
  }

  if (got >= 8 && std::memcmp(buffer.data() + 4, "ftyp", 4) == 0) {
    const BoxReader reader{&readFileAt, file, fileSize};
    TagInfo info;
    readMp4Tags(reader, info);
    info.drm = false;
    return info;
  }

  const uint8_t* tail = nullptr;
  size_t tailLength = 0;
  if (got == fileSize) {
    tail = buffer.data();
    tailLength = got;
  } else if (fileSize >= kTagTailBytes && seekTo(file, fileSize - kTagTailBytes)) {
    uint8_t* spare = buffer.data() + got;
    if (readSome(file, spare, kTagTailBytes) == kTagTailBytes) {
      tail = spare;
      tailLength = kTagTailBytes;
    }
  }
  return parseTags(buffer.data(), got, tail, tailLength, codepage);
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
