// Reading a disc's table of contents and CD-Text on a thread of its own, at most one at a time,
// and posting what was found. The platform part (cd/cd_win.h) supplies the drive and the post.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>

#include "base/thread.h"
#include "cd/disc_result.h"
#include "cd/drive.h"

namespace cd {

// The reading itself: fills the result's tracks and texts, or its error text ("Can't open
// drive D:", "No disc in drive D:", "Can't read the disc in drive D:", "No audio CD in drive
// D:"). CD-Text is skipped once cancelled; its failure is no error.
void readDisc(const DriveOpener& open, uint32_t codepage, const std::atomic<bool>& cancelled,
              DiscResult& result);

// The CD reader control. Owned by the player; its destructor cancels.
class DiscReader {
 public:
  // Hands a finished result over; true when the receiver took ownership of it.
  using Post = std::function<bool(DiscResult*)>;

  DiscReader() = default;
  ~DiscReader() { cancel(); }
  DiscReader(const DiscReader&) = delete;
  DiscReader& operator=(const DiscReader&) = delete;

  // Cancels and joins any running read, then reads the drive of `letter` on a new thread.
  // False only when the thread cannot be started.
  bool start(int32_t id, wchar_t letter, uint32_t codepage, DriveOpener open, Post post);

  // Sets the cancel flag, aborts a blocked drive call and joins; the cancelled read frees its
  // result without posting.
  void cancel();

 private:
  base::Thread thread_;
  std::shared_ptr<std::atomic<bool>> cancelled_;
};

}  // namespace cd
