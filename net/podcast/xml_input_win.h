// The stream a feed's XmlLite reader reads its bytes from. Windows only.
#pragma once

#include <objidl.h>
#include <wrl/client.h>

#include <string_view>

namespace podcast {

// A stream over the bytes, which must outlive it; empty when out of memory. On Windows this
// is the shell's memory stream. Wine's XmlLite misses a "]]>", "-->" or "?>" split across two
// of its input reads (it looks ahead without reading more), which silently swallows the
// items that follow or fails the feed; under Wine the stream therefore never ends a read
// within a few bytes after ']', '-' or '?'. Windows treats a short read as the end of the
// stream, so only Wine gets one.
Microsoft::WRL::ComPtr<ISequentialStream> openXmlInput(std::string_view bytes);

// Where a read of at most `wanted` bytes from `rest` may end so that none of its last 8 bytes
// is ']', '-' or '?' (whatever the encoding: in UTF-8 and UTF-16 those bytes are these
// characters or part of them), stepping back 4 bytes at a time and at most 256; `wanted` when
// no such place exists or all of `rest` fits.
size_t safeReadLength(std::string_view rest, size_t wanted);

}  // namespace podcast
