// The feed thread: downloads one feed, parses it and posts the FeedResult to the window.
// Windows only.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

#include "base/thread.h"
#include "net/http/cancel.h"

namespace podcast {

struct FeedRequest {
  int32_t requestId = 0;
  std::wstring url;
  std::shared_ptr<http::Cancel> cancel;
  HWND window = nullptr;
  UINT message = 0;  // WM_APP_FEED_DONE
};

// Downloads at most 8 MiB with the request's token, reads the feed and posts the FeedResult
// with postRecord (the receiver takes it with takeRecord<FeedResult> and frees it). Nothing is
// posted once the token is cancelled; a record whose post fails is freed here.
void runFeedRequest(const FeedRequest& request) noexcept;

// The one feed download of the player, on its own thread; the owner of that thread and of its
// cancel token. UI thread only.
class FeedDownload {
 public:
  FeedDownload() noexcept = default;
  ~FeedDownload() { stop(); }
  FeedDownload(const FeedDownload&) = delete;
  FeedDownload& operator=(const FeedDownload&) = delete;

  // Stops the running download, then starts this one with a fresh token (any token in the
  // request is replaced). False when the thread cannot start or the window is null: nothing
  // will be posted then.
  bool start(FeedRequest request) noexcept;
  // Cancels the download and joins its thread; it posts nothing after the cancel. Returns
  // promptly even while the server stalls. Safe when nothing runs.
  void stop() noexcept;
  bool running() const noexcept { return thread_.running(); }

 private:
  std::shared_ptr<http::Cancel> cancel_;
  base::Thread thread_;
};

}  // namespace podcast
