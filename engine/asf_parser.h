// Reads title, artist and the DRM flag from the header object of an ASF (WMA) file.
// Portable: works on a buffer holding the start of the file.
#pragma once

#include <cstddef>
#include <cstdint>

#include "base/tag_info.h"

// The size of the header object when `buffer` starts with a valid ASF header (at least 30
// bytes, the header GUID, a size of at least 30); 0 otherwise. Tells a caller how much to read.
uint64_t asfHeaderSize(const uint8_t* buffer, size_t length);

// Title and artist (Content Description, else the extended "Title", "Author",
// "WM/AlbumArtist") and the DRM flag. The buffer may hold less than the whole header.
// Fields already set in `info` are left alone; drm is only ever set, never cleared.
void readAsfHeader(const uint8_t* buffer, size_t length, TagInfo& info);
