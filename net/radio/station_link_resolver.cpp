#include "net/radio/station_link_resolver.h"

#include "net/http/client.h"
#include "net/radio/station_link.h"

namespace radio {

std::wstring resolveStationLink(const std::wstring& url, std::wstring& error,
                                const std::shared_ptr<http::Cancel>& cancel) {
  error.clear();
  if (isHlsUrl(url)) {
    error = kHlsRefused;
    return {};
  }
  http::HttpResponse response;
  const std::wstring fetchError = http::fetch(url, kMaxStationLinkBytes, response, cancel);
  return judgeStationLink(fetchError, response.status, response.body.data(), response.body.size(),
                          error);
}

}  // namespace radio
