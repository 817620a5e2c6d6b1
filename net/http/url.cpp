#include "net/http/url.h"

namespace http {

std::wstring requestPath(std::wstring_view urlPath, std::wstring_view extraInfo) {
  std::wstring path;
  path.reserve(urlPath.size() + extraInfo.size());
  path.append(urlPath);
  path.append(extraInfo);
  if (path.empty()) path = L"/";
  return path;
}

bool sameLocation(const HttpUrl& a, const HttpUrl& b) {
  return a.host == b.host && a.path == b.path;
}

}  // namespace http
