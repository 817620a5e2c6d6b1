// Title, artist and chapters from a track's own tags: ID3v2 (2.2 to 2.4, with chapters),
// ID3v1, RIFF/WAVE INFO and id3 chunks, FLAC Vorbis comments; MP4 and ASF files are handed
// to the container parsers. Nothing here reports an error: damaged tags give what was found.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "base/tag_info.h"

constexpr size_t kTagHeaderOnlyBytes = 65536;   // the most a header-only read takes
constexpr size_t kTagFullReadBytes = 16777216;  // the most a full read takes
constexpr size_t kTagTailBytes = 128;           // ID3v1 lives in the last 128 bytes
constexpr size_t kMaxLegacyTextBytes = 2048;    // 8-bit (and UTF-8) text converted
constexpr size_t kMaxUtf16TextUnits = 512;      // UTF-16 text read
constexpr size_t kMaxTagTextChars = 512;        // a cleaned title or artist
constexpr size_t kMaxChapFrames = 1000;         // CHAP frames collected per tag

// Tags from a memory image of the start of a file (a null buffer counts as empty), read as
// a full read would read the file. `tail`, when given, ends with the file's last 128 bytes,
// for ID3v1. drm is always false.
TagInfo parseTags(const uint8_t* buffer, size_t length, const uint8_t* tail, size_t tailLength,
                  uint32_t codepage);

class TagWindow;

// parseTags over a window of a file or image, so that both read the same way; tail as above.
TagInfo parseTagWindow(TagWindow& window, const uint8_t* tail, size_t tailLength,
                       uint32_t codepage);

// Tags of a local file, wherever in the file they lie: full = false reads at most 64 KiB of
// it (folder scans), full = true at most 16 MiB (opening a track), plus the last 128 bytes.
// Any error gives an empty TagInfo. Windows only.
TagInfo readTags(const std::wstring& path, uint32_t codepage, bool full);

// 8-bit text up to its first NUL: UTF-8 when it is valid UTF-8 with at least one multi-byte
// sequence, else the code page (0 = choose 1252 or 1251 by the letters it holds). At most
// 2048 bytes are converted; a failed conversion gives empty text.
std::wstring decodeLegacyText(const uint8_t* bytes, size_t length, uint32_t codepage);

// Control characters become spaces, the text is cut to 512 characters, then trimmed.
std::wstring cleanTagText(std::wstring_view text);
