#include "net/podcast/feed_download.h"

#include "base/text.h"
#include "net/podcast/feed_texts.h"

namespace podcast {

namespace {

constexpr std::wstring_view kFetchTooBig = L"Too big";
constexpr uint32_t kHttpOk = 200;

}  // namespace

std::wstring downloadError(std::wstring_view fetchError, uint32_t status) {
  if (fetchError == kFetchTooBig) return std::wstring(kFeedTooBig);
  if (!fetchError.empty()) return std::wstring(fetchError);
  if (status != kHttpOk) return std::wstring(kFeedHttpStatus) + text::toDecimal(uint64_t(status));
  return {};
}

}  // namespace podcast
