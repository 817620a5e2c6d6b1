// parseTags over arbitrary bytes. Input: a selector byte (code page, and how a second walk
// reads), a tail-length byte, then the image; the tail is the last tail-length bytes of the
// image (none when 0). The second walk reads the image through windows and budgets far
// smaller than the real ones, so that small inputs reach the cuts and the window's seams.
#include <cstddef>
#include <cstdint>

#include "library/tag_window.h"
#include "library/tags.h"

namespace {

void checkLimits(const TagInfo& info) {
  if (info.drm || info.title.size() > kMaxTagTextChars || info.artist.size() > kMaxTagTextChars ||
      info.chapters.size() > kMaxChapFrames)
    __builtin_trap();
  for (const Chapter& chapter : info.chapters) {
    if (chapter.title.size() > kMaxTagTextChars) __builtin_trap();
  }
}

bool same(const TagInfo& a, const TagInfo& b) {
  if (a.title != b.title || a.artist != b.artist || a.chapters.size() != b.chapters.size())
    return false;
  for (size_t i = 0; i < a.chapters.size(); ++i) {
    if (a.chapters[i].startMs != b.chapters[i].startMs ||
        a.chapters[i].title != b.chapters[i].title)
      return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  static const uint32_t kCodePages[] = {0, 1252, 1251, 65001, 932};
  static const size_t kBudgets[] = {kTagFullReadBytes, kTagHeaderOnlyBytes, 4096, 300};
  static const size_t kWindows[] = {kTagWindowBytes, 1, 64, 1000};
  const uint32_t codepage = kCodePages[data[0] % 5];
  const size_t budget = kBudgets[(data[0] / 5) % 4];
  const size_t minWindow = kWindows[(data[0] / 20) % 4];
  const uint8_t* image = data + 2;
  const size_t length = size - 2;
  const size_t tailLength = data[1] < length ? data[1] : length;
  const uint8_t* tail = tailLength ? image + length - tailLength : nullptr;

  const TagInfo info = parseTags(length ? image : nullptr, length, tail, tailLength, codepage);
  checkLimits(info);

  MemoryTagReader reader(image, length);
  TagWindow window(reader, budget, minWindow);
  const TagInfo walked = parseTagWindow(window, tail, tailLength, codepage);
  checkLimits(walked);
  if (window.bytesRead() > budget) __builtin_trap();
  // Every read but the last two at least doubles what was read before.
  size_t maxReads = 3;
  for (size_t covered = minWindow; covered < budget; covered *= 2) ++maxReads;
  if (window.reads() > maxReads) __builtin_trap();
  // Reads only go forward and never overlap, so a budget that holds the whole image cuts
  // nothing, and the window size cannot change what is found.
  if (budget >= length && !same(info, walked)) __builtin_trap();
  return 0;
}
