// What every network access shares: splitting a URL, the session settings, header queries and
// the one-shot GET used for station links and feeds.
#pragma once

#include <windows.h>
#include <winhttp.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/scoped_win.h"
#include "net/http/cancel.h"
#include "net/http/url.h"

namespace http {

inline constexpr wchar_t kUserAgent[] = L"Tarnwick/0.11";

// A valid address (base/text.h's rule) split by WinHttpCrackUrl; nothing when either refuses
// it or the host is empty.
std::optional<HttpUrl> parseUrl(std::wstring_view text);

// A session with the player's User-Agent, the automatic proxy and the time-outs (5 s to
// resolve, connect and send, 15 s to receive, the response headers included). It is
// asynchronous: make its requests through http::Request, whose steps block and can be
// cancelled. Empty when WinHTTP refuses.
base::ScopedInternet openSession();

// A response header by info level (WINHTTP_QUERY_CUSTOM with its name); empty when absent or
// longer than 1024 bytes.
std::wstring queryHeaderText(HINTERNET request, DWORD infoLevel,
                             const wchar_t* name = WINHTTP_HEADER_NAME_BY_INDEX);
// The status code; 0 on failure.
uint32_t queryStatus(HINTERNET request);
// The URL after redirections; empty when unavailable or longer than 2048 characters.
std::wstring queryFinalUrl(HINTERNET request);

struct HttpResponse {
  uint32_t status = 0;
  std::wstring contentType;
  std::vector<uint8_t> body;
};

// A complete GET of at most maxBytes of body. The result is an error text, empty on success;
// the status is not judged here, and the body read so far stays in the response on failure.
// A token lets another thread end it ("Cancelled").
std::wstring fetch(std::wstring_view url, uint64_t maxBytes, HttpResponse& out,
                   const std::shared_ptr<Cancel>& cancel = nullptr);

}  // namespace http
