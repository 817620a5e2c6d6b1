#include "tests/support/bounded_run.h"

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>

namespace testsupport {

void runWithin(const char* what, uint32_t timeoutMs, const std::function<void()>& body) {
  std::mutex mutex;
  std::condition_variable doneChanged;
  bool done = false;
  std::thread worker([&] {
    body();
    std::lock_guard<std::mutex> lock(mutex);
    done = true;
    doneChanged.notify_all();
  });
  std::unique_lock<std::mutex> lock(mutex);
  if (!doneChanged.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return done; })) {
    std::fprintf(stderr, "HANG: %s did not finish within %u ms\n", what, unsigned(timeoutMs));
    std::fflush(stderr);
    std::_Exit(3);
  }
  lock.unlock();
  worker.join();
}

}  // namespace testsupport
