// Runs a piece of a test on a worker thread with a bounded wait, so that a hang fails the
// test run instead of holding it until ctest's time-out.
#pragma once

#include <cstdint>
#include <functional>

namespace testsupport {

// Runs body on a new thread and waits at most timeoutMs for it. A body still running then
// cannot be joined or abandoned safely (it uses the caller's objects), so the process prints
// `what` and ends at once with exit code 3, which fails the test.
void runWithin(const char* what, uint32_t timeoutMs, const std::function<void()>& body);

}  // namespace testsupport
