// parseTags over arbitrary bytes. Input: a code-page selector byte, a tail-length byte, then
// the image; the tail is the last tail-length bytes of the image (none when 0).
#include <cstddef>
#include <cstdint>

#include "library/tags.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  static const uint32_t kCodePages[] = {0, 1252, 1251, 65001, 932};
  const uint32_t codepage = kCodePages[data[0] % (sizeof kCodePages / sizeof kCodePages[0])];
  const uint8_t* image = data + 2;
  const size_t length = size - 2;
  const size_t tailLength = data[1] < length ? data[1] : length;
  const uint8_t* tail = tailLength ? image + length - tailLength : nullptr;

  const TagInfo info = parseTags(length ? image : nullptr, length, tail, tailLength, codepage);
  // The limits hold whatever the input.
  if (info.drm || info.title.size() > kMaxTagTextChars || info.artist.size() > kMaxTagTextChars ||
      info.chapters.size() > kMaxChapFrames)
    __builtin_trap();
  for (const Chapter& chapter : info.chapters) {
    if (chapter.title.size() > kMaxTagTextChars) __builtin_trap();
  }
  return 0;
}
