// A podcast episode and the record a feed download hands to the window. Portable.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "base/live_record_count.h"
#include "base/posted_record.h"

namespace podcast {

constexpr size_t kMaxFeedBytes = 8388608;
constexpr size_t kMaxEpisodes = 5000;
constexpr int kMaxElementDepth = 64;
constexpr size_t kMaxTitleLength = 512;
constexpr size_t kMaxPubDateLength = 64;
constexpr size_t kMaxDurationLength = 32;

struct Episode {
  std::wstring title;     // trimmed, at most 512 characters, may be empty
  std::wstring url;       // trimmed, always a valid http(s) URL
  std::wstring type;      // the enclosure's MIME type as the feed states it, trimmed
  int64_t published = 0;  // seconds since 1970 UTC; 0 when missing or unparsable
  uint32_t duration = 0;  // seconds; 0 when missing or unparsable
  bool playable = false;
};

// Posted with WM_APP_FEED_DONE; the window owns and frees it. On any error the title and the
// episodes are empty.
struct FeedResult : PostedRecord, LiveRecordCount<FeedResult> {
  int32_t requestId = 0;
  std::wstring feedUrl;
  std::wstring title;
  std::vector<Episode> episodes;  // newest first, undated last in feed order
  std::wstring error;             // empty on success
};

}  // namespace podcast
