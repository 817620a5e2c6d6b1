#include "net/podcast/download_error.h"

#include "base/text.h"
#include "net/http/error_text.h"
#include "net/podcast/feed_texts.h"

namespace podcast {

namespace {

constexpr uint32_t kHttpOk = 200;

}  // namespace

std::wstring downloadError(std::wstring_view fetchError, uint32_t status) {
  if (fetchError == http::kTooBigText) return std::wstring(kFeedTooBig);
  if (!fetchError.empty()) return std::wstring(fetchError);
  if (status != kHttpOk) return std::wstring(kFeedHttpStatus) + text::toDecimal(uint64_t(status));
  return {};
}

}  // namespace podcast
