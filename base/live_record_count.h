// Counts the records of one type alive in the process. Records posted between threads change
// owner at the post, so a leak on any side shows up as a count that does not return to zero.
#pragma once

#include <atomic>

template <typename Record>
class LiveRecordCount {
 public:
  static long live() { return count_.load(std::memory_order_relaxed); }

 protected:
  LiveRecordCount() { count_.fetch_add(1, std::memory_order_relaxed); }
  LiveRecordCount(const LiveRecordCount&) { count_.fetch_add(1, std::memory_order_relaxed); }
  LiveRecordCount& operator=(const LiveRecordCount&) = default;
  ~LiveRecordCount() { count_.fetch_sub(1, std::memory_order_relaxed); }

 private:
  static inline std::atomic<long> count_{0};
};
