// Stream titles travel with the ring position at which they arrived, so that the listener
// sees a title when playback reaches that audio, not when the network delivered it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>

namespace radio {

// Stream side: a title equal to the last one posted is not posted again.
class TitleFilter {
 public:
  // True when `title` is to be posted; it is then remembered as the last one.
  bool admit(const std::wstring& title);

 private:
  bool posted_ = false;
  std::wstring last_;
};

// Player side: titles waiting for playback to reach their position.
class DueTitles {
 public:
  // Bounds what a station that sends nothing but titles can make us hold.
  static constexpr size_t kMaxPending = 1000;

  // `position`: frames written to the ring before the title arrived.
  void add(uint64_t position, std::wstring title);
  // Removes every title whose position is at most `played`; true with the last of them.
  bool takeDue(uint64_t played, std::wstring& title);
  void clear() { pending_.clear(); }
  size_t size() const { return pending_.size(); }

 private:
  struct Entry {
    uint64_t position;
    std::wstring title;
  };
  std::deque<Entry> pending_;
};

}  // namespace radio
