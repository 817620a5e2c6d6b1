// The records the folder scanner hands to the window. Portable, so that the player can build
// a one-file result of its own and handle both records without the scanner's thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "base/live_record_count.h"
#include "base/posted_record.h"
#include "base/track_list.h"

struct ScanRequest {
  std::wstring folder;  // may or may not end in a separator
  bool includeSubfolders = false;
  uint32_t tagCodepage = 0;  // 0 = automatic
  uint32_t requestId = 0;
};

// Payload of WM_APP_SCAN_DONE; the receiver owns and deletes it.
struct ScanResult : PostedRecord, LiveRecordCount<ScanResult> {
  uint32_t requestId = 0;
  std::wstring folder;
  bool includeSubfolders = false;
  bool failed = false;  // the folder itself could not be listed
  TrackList list;       // full paths in track order
};

struct ScanTitle {
  uint32_t index = 0;  // into the sorted list as posted
  std::wstring title;
};

// Payload of WM_APP_TITLES; the receiver owns and deletes it.
struct ScanTitleBatch : PostedRecord, LiveRecordCount<ScanTitleBatch> {
  uint32_t requestId = 0;
  std::vector<ScanTitle> entries;
};
