// Arbitrary bytes read as a listening log: summarised whole, trimmed, and summarised again.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "player/log_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const LogSummary whole = logcodec::summarise(bytes);
  if (whole.lastPath.size() > 32767 || whole.jumpOriginPath.size() > 32767) __builtin_trap();
  if (whole.hasLastPosition && whole.lastPath.empty()) __builtin_trap();
  if (!whole.hasLastPosition && !whole.endedCleanly) __builtin_trap();

  const std::string trimmed = logcodec::trim(std::string(bytes));
  if (trimmed.size() > (bytes.size() <= logcodec::kTrimKeep ? bytes.size() : logcodec::kTrimKeep))
    __builtin_trap();
  // What is kept is the end of the input, starting at a line start.
  if (bytes.substr(bytes.size() - trimmed.size()) != trimmed) __builtin_trap();
  if (trimmed.size() != bytes.size() && !trimmed.empty() &&
      bytes[bytes.size() - trimmed.size() - 1] != '\n')
    __builtin_trap();
  logcodec::summarise(trimmed);
  return 0;
}
