// ID3v2 tags (versions 2.2, 2.3 and 2.4) for the tag reader.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "base/tag_info.h"

// Text of an ID3 text frame body: an encoding byte, then the text.
std::wstring decodeId3Text(const uint8_t* data, size_t length, uint32_t codepage);

class TagWindow;

// Parses an ID3v2 tag at `start` of the window, within [start, end), into the empty fields of
// `info` (chapters only when `withChapters`). Only the frames it uses are read; the others
// are stepped over. Returns the tag's total length cut to end - start, 0 when there is no
// tag; the length is returned even when the tag's body cannot be parsed.
uint64_t readId3v2(TagWindow& window, uint64_t start, uint64_t end, uint32_t codepage,
                   bool withChapters, TagInfo& info);
