// The track loader: one worker thread that opens the track to play now and the next one to
// prepare, and posts each answer to the main window as a LoadResult.
#pragma once

#include <windows.h>

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>

#include "base/live_record_count.h"
#include "base/posted_record.h"
#include "base/tag_info.h"
#include "base/thread.h"
#include "engine/load_error.h"
#include "engine/loaded_track.h"

// Request kinds; a play-now request is always taken first.
enum class LoadKind : uint8_t { PlayNow = 0, PrepareNext = 1 };

// Local files larger than this are streamed from disk instead of read into memory.
constexpr uint64_t kMaxMemoryImageBytes = 0x4000000;

struct LoadRequest {
  LoadKind kind = LoadKind::PlayNow;
  std::wstring path;  // local path, http(s) URL or CD track path
  int32_t trackId = 0;
  bool forceStreaming = false;
  int32_t tagCodepage = 0;
  bool pending = false;
};

// Posted as the lParam of the load-done message; the receiver owns it once the post
// succeeded (delete it; the track goes with it unless moved out).
struct LoadResult : PostedRecord, LiveRecordCount<LoadResult> {
  int32_t trackId = 0;
  LoadKind kind = LoadKind::PlayNow;
  std::wstring path;
  LoadedTrackPtr track;  // null on failure
  uint8_t error = kLoadOk;
  std::wstring message;   // for kLoadNetworkError
  bool streamed = false;  // decoded by a StreamDecoder rather than from memory
  TagInfo tags;
};

// Opens one request's track and tags into `result` (whose trackId, kind and path are set).
// Runs on the loader thread; exposed for tests.
void openRequestedTrack(const LoadRequest& request, LoadResult& result) noexcept;

class LoadQueue {
 public:
  LoadQueue() = default;
  ~LoadQueue() { shutdown(); }
  LoadQueue(const LoadQueue&) = delete;
  LoadQueue& operator=(const LoadQueue&) = delete;

  // Starts the thread, which posts `message` (WM_APP_LOAD_DONE) to `window`. Once only.
  bool start(HWND window, UINT message) noexcept;

  // Replaces a pending request of the same kind. Requests submitted before start wait for it.
  // False only when memory ran out copying the path (nothing was queued).
  bool submit(LoadKind kind, const std::wstring& path, int32_t trackId, bool forceStreaming,
              int32_t tagCodepage) noexcept;

  // Stops and joins the thread (after the request being opened, if any, is answered).
  void shutdown() noexcept;

 private:
  void threadMain() noexcept;
  void run();

  HWND window_ = nullptr;
  UINT message_ = 0;
  std::mutex mutex_;
  std::condition_variable wake_;
  LoadRequest slots_[2];
  bool stop_ = false;
  base::Thread thread_;  // last: joined before the rest goes
};
