// What reading a disc found: its audio tracks and CD-Text, or the reason it could not be read.
// Posted to the main window as the payload of WM_APP_CD_DONE; the receiver owns it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/live_record_count.h"
#include "base/posted_record.h"
#include "cd/cd_text.h"
#include "cd/toc.h"

namespace cd {

struct DiscResult : PostedRecord, LiveRecordCount<DiscResult> {
  int32_t id = 0;      // the request this answers
  wchar_t letter = 0;  // upper-case drive letter
  std::vector<AudioTrack> tracks;
  DiscTexts titles;  // index 0 the album, n track n; empty where unknown
  DiscTexts performers;
  std::wstring error;  // empty on success
};

// One row of the track list a disc becomes.
struct ListEntry {
  std::wstring path;  // "D:\Track05.cda"
  std::wstring name;  // shown in the list
};

// "performer - title", the title alone, or "Track 05" without a title; the album performer
// stands in for a track without one.
std::wstring trackDisplayName(uint32_t number, const std::wstring& title,
                              const std::wstring& performer);

// The rows for a successful result, in disc order.
std::vector<ListEntry> listEntries(const DiscResult& result);

}  // namespace cd
