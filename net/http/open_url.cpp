#include "net/http/open_url.h"

#include <new>
#include <optional>

#include "net/http/client.h"
#include "net/http/error_text.h"
#include "net/http/response_rules.h"

namespace http {

OpenedUrl openUrlSource(const std::wstring& url) {
  OpenedUrl result;
  try {
    const std::optional<HttpUrl> parts = parseUrl(url);
    if (!parts) {
      result.error = kInvalidAddressText;
      return result;
    }
    base::ScopedInternet session = openSession();
    if (!session) {
      result.error = kNoNetworkText;
      return result;
    }
    auto source = std::make_unique<RangeSource>(*parts, std::move(session));
    std::wstring error;
    const RangeSource::Opened opened = source->openAt(0, true, error);
    if (opened == RangeSource::Opened::Failed) {
      result.error = error.empty() ? std::wstring(kNoNetworkText) : error;
      return result;
    }
    // Nothing at all lies at or past byte 0 of an empty resource.
    if (opened == RangeSource::Opened::PastEnd || source->size() == 0) {
      result.error = kEmptyEpisodeText;
      return result;
    }
    source->useFinalLocation();
    result.useMediaFoundation = urlSelectsMediaFoundation(source->contentType(), url);
    result.source = std::move(source);
  } catch (const std::bad_alloc&) {
    result.source.reset();
    result.error = kOutOfMemoryText;
  }
  return result;
}

}  // namespace http
