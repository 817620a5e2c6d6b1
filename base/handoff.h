// The paths a second instance hands to the running one: "TWK1" and the paths in UTF-16, each
// followed by one NUL. Portable; the shell sends and receives it as WM_COPYDATA.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace handoff {

constexpr uint64_t kIdentifier = 0x54574B31;  // "TWK1" read as a big-endian number
constexpr size_t kMaxBytes = 0x100000;        // the most a receiver accepts
constexpr size_t kMaxSentBytes = 1048577;     // a larger payload is sent empty

// The payload for these paths, in code units; empty when it would exceed kMaxSentBytes.
std::wstring buildPayload(const std::vector<std::wstring>& paths);

// Checks a received message and splits its payload into paths (empty pieces skipped, a final
// piece without its NUL dropped). False, with no paths, for a wrong identifier, an odd size,
// more than kMaxBytes, or a non-zero size without data. The data need not be aligned.
bool readPayload(uint64_t identifier, const void* data, size_t bytes,
                 std::vector<std::wstring>& paths);

}  // namespace handoff
