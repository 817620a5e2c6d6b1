// An auto-reset event one thread waits on and others set: a set wakes one wait (or the next
// one, when nobody waits yet) and is consumed by it. Windows uses an event object; the native
// build of the portable core a mutex and a condition variable.
#pragma once

#include <cstdint>
#include <memory>

namespace base {

class WakeEvent {
 public:
  static constexpr uint32_t kForever = 0xFFFFFFFF;

  WakeEvent() noexcept;  // check valid(): creating the event may fail
  ~WakeEvent();
  WakeEvent(const WakeEvent&) = delete;
  WakeEvent& operator=(const WakeEvent&) = delete;

  bool valid() const noexcept { return impl_ != nullptr; }
  void set() noexcept;
  // Waits until set or timeoutMs has passed (kForever: no limit).
  void wait(uint32_t timeoutMs) noexcept;

  struct Impl;  // each platform's file defines it

 private:
  std::unique_ptr<Impl> impl_;
};

}  // namespace base
