// Title, artist and DRM flag of arbitrary bytes read as an ASF header.
#include <cstddef>
#include <cstdint>

#include "engine/asf_parser.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  asfHeaderSize(data, size);
  TagInfo info;
  readAsfHeader(data, size, info);
  if (info.title.size() > 512 || info.artist.size() > 512) __builtin_trap();
  return 0;
}
