// Reads title, artist, chapters and the exact audio duration from MP4 boxes (M4A/M4B).
// Portable: no platform headers; every read goes through a BoxReader.
#pragma once

#include <cstddef>
#include <cstdint>

#include "base/tag_info.h"

// Random access to the bytes of an MP4 file. read succeeds only when all `length` bytes were
// read. The parsers never ask for bytes outside [0, size), so a reader may rely on that.
struct BoxReader {
  bool (*read)(void* user, uint64_t offset, void* dest, size_t length);
  void* user;
  uint64_t size;
};

// A found box: its four-character type and the byte range [start, end) of its content.
struct BoxRange {
  uint32_t type;
  uint64_t start;
  uint64_t end;
};

// Looks for a box of `type` among the siblings in [from, to). False when it is not there or
// a malformed header ends the search first.
bool findBox(const BoxReader& reader, uint64_t from, uint64_t to, uint32_t type, BoxRange& out);

// Title and artist (udta/meta before moov/meta), then chapters (QuickTime chapter track, else
// Nero chpl) sorted stably by start. Fields already set in `info` are left alone; chapters
// are read only when `info` has none.
void readMp4Tags(const BoxReader& reader, TagInfo& info);

// The duration and timescale from the mdhd of the first sound track. False (and the outputs
// untouched) when there is none or its values are unusable.
bool readMp4AudioDuration(const BoxReader& reader, uint64_t& duration, uint32_t& timescale);

// A reader over a memory buffer that stays valid as long as the buffer does. It carries only
// the buffer's address: bounds come from `size`, which the parsers never read past.
BoxReader memoryBoxReader(const uint8_t* data, size_t size);
