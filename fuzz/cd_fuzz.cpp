// The disc parsers over arbitrary bytes. The first byte chooses: even, the table of contents;
// odd, CD-Text with a code page picked by the byte's upper bits. The rest is the drive's answer.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "cd/cd_text.h"
#include "cd/disc_result.h"
#include "cd/toc.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const uint8_t selector = data[0];
  const uint8_t* answer = data + 1;
  const size_t length = size - 1;
  if ((selector & 1) == 0) {
    std::vector<cd::AudioTrack> tracks;
    const bool ok = cd::audioTracksFromToc(answer, length, tracks);
    if (ok == tracks.empty()) __builtin_trap();
    uint32_t previous = 0;
    for (const cd::AudioTrack& t : tracks) {
      if (t.number < 1 || t.number > 99 || t.number <= previous || t.firstSector >= t.endSector)
        __builtin_trap();
      previous = t.number;
    }
    return 0;
  }
  static const uint32_t kCodePages[] = {0, 1252, 1251, 65001, 932};
  const uint32_t codepage =
      kCodePages[(selector >> 1) % (sizeof kCodePages / sizeof kCodePages[0])];
  cd::DiscResult result;
  result.letter = L'D';
  cd::decodeCdText(answer, length, codepage, result.titles, result.performers);
  for (size_t i = 0; i < cd::kTextSlots; ++i) {
    // Each text comes from at most 160 bytes.
    if (result.titles[i].size() > cd::kMaxCdTextBytes ||
        result.performers[i].size() > cd::kMaxCdTextBytes)
      __builtin_trap();
  }
  result.tracks = {{3, 0, 1}, {99, 1, 2}};
  for (const cd::ListEntry& row : cd::listEntries(result)) {
    if (row.path.size() != 14 || row.name.empty()) __builtin_trap();
  }
  return 0;
}
