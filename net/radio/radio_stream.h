// One internet-radio session: a thread that connects to the station, decodes MP3 or AAC into a
// RadioRing and posts RadioEvents (lParam of `message`, wParam 0) to the window. Owned by the
// player on the window's thread; stop() breaks every blocking call of the thread and joins it.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "base/scoped_win.h"
#include "base/thread.h"
#include "net/http/cancel.h"

namespace radio {

class Stream {
 public:
  // What the window's thread and the stream thread share; held by both.
  struct Shared {
    Shared(HWND window, UINT message, int32_t session);

    const HWND window;
    const UINT message;
    const int32_t session;  // stamped on every event, so that a stopped session's are dropped
    std::atomic<bool> stopping{false};
    // Manual-reset; every wait of the thread watches it.
    base::ScopedHandle stopEvent;
    // The stream request in progress: stop() closes it, which ends a blocked network call.
    http::Cancel request;
    // The station-link download in progress.
    std::shared_ptr<http::Cancel> linkCancel;
  };

  Stream() = default;
  ~Stream() { stop(); }
  Stream(const Stream&) = delete;
  Stream& operator=(const Stream&) = delete;

  // Stops the previous session and plays `url`; titles are decoded with the tag code page
  // (0: UTF-8 where valid, else 1252 or 1251). False when the thread cannot be started.
  bool start(const std::wstring& url, int32_t session, uint32_t codepage, HWND window,
             UINT message) noexcept;
  // Returns once the thread has ended; events already posted stay in the queue.
  void stop() noexcept;
  bool running() const noexcept { return shared_ != nullptr; }

 private:
  base::Thread thread_;
  std::shared_ptr<Shared> shared_;
};

// The thread's body (net/radio/stream_thread.cpp).
void runStream(const std::shared_ptr<Stream::Shared>& shared, const std::wstring& url,
               uint32_t codepage) noexcept;

}  // namespace radio
