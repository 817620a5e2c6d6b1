#include "cd/toc.h"

#include <algorithm>

namespace cd {

namespace {

struct TocEntry {
  uint8_t number;
  bool data;
  uint32_t start;
};

constexpr size_t kHeaderBytes = 4;
constexpr size_t kEntryBytes = 8;
constexpr uint8_t kDataTrackControl = 0x04;

uint32_t be32(const uint8_t* p) {
  return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}

// The end of an audio track that the next entry follows: a data track after it is the
// enhanced CD's second session, which begins a session gap later.
uint32_t endBefore(const TocEntry& next) {
  if (!next.data) return next.start;
  return next.start > kSessionGapSectors ? next.start - kSessionGapSectors : 0;
}

}  // namespace

bool audioTracksFromToc(const uint8_t* toc, size_t length, std::vector<AudioTrack>& tracks) {
  tracks.clear();
  if (!toc || length < kHeaderBytes) return false;
  const size_t usable = std::min(length, ((size_t{toc[0]} << 8) | toc[1]) + 2);

  std::vector<TocEntry> entries;
  for (size_t at = kHeaderBytes; at + kEntryBytes <= usable; at += kEntryBytes) {
    const uint8_t* e = toc + at;
    const uint8_t number = e[2];
    const uint32_t start = be32(e + 4);
    if (start & 0x80000000u) return false;
    if (number == kLeadOutTrack) {
      while (!entries.empty() && entries.back().start >= start) entries.pop_back();
      for (size_t i = 0; i < entries.size(); ++i) {
        if (entries[i].data) continue;
        const uint32_t end = i + 1 == entries.size() ? start : endBefore(entries[i + 1]);
        if (entries[i].start < end) tracks.push_back({entries[i].number, entries[i].start, end});
      }
      return !tracks.empty();
    }
    const bool increasing =
        entries.empty() || (number > entries.back().number && start > entries.back().start);
    if (number < 1 || number > 99 || !increasing) return false;
    entries.push_back({number, (e[1] & kDataTrackControl) != 0, start});
  }
  return false;
}

}  // namespace cd
