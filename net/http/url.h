// The parts of an http:// or https:// address a request is made from. Portable: the splitting
// itself is WinHTTP's (net/http/client.h), the rules around it are here.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace http {

struct HttpUrl {
  std::wstring host;
  std::wstring path;  // URL path followed by the query; never empty
  uint16_t port = 0;
  bool secure = false;
};

// The request path from the cracked URL path and its extra information (the query): their
// concatenation, or "/" when both are empty.
std::wstring requestPath(std::wstring_view urlPath, std::wstring_view extraInfo);

// Same host and same request path (exact comparison): a redirect that changes either moves
// every later request to the final location.
bool sameLocation(const HttpUrl& a, const HttpUrl& b);

}  // namespace http
