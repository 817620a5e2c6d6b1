// What a finished feed download means before its body is read. Portable.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace podcast {

// The error text for the download's outcome, or empty when the body is to be parsed:
// fetch's own error (its "Too big" said the feed's way), else any status but 200.
std::wstring downloadError(std::wstring_view fetchError, uint32_t status);

}  // namespace podcast
