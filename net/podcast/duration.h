// iTunes episode durations. Portable.
#pragma once

#include <cstdint>
#include <string_view>

namespace podcast {

// Seconds from "s", "m:s" or "h:m:s" (groups are not limited to 59), optionally followed by
// "." and digits that are ignored; 0 for anything else or a value past 32 bits.
uint32_t parseDuration(std::wstring_view text);

}  // namespace podcast
