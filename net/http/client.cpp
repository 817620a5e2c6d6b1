#include "net/http/client.h"

#include <new>

#include "base/text.h"
#include "net/http/error_text.h"
#include "net/http/request.h"
#include "net/http/response_rules.h"

namespace http {
namespace {

constexpr DWORD kResolveTimeoutMs = 5000;
constexpr DWORD kConnectTimeoutMs = 5000;
constexpr DWORD kSendTimeoutMs = 5000;
constexpr DWORD kReceiveTimeoutMs = 15000;
// Windows' own limit, set because Wine has none.
constexpr DWORD kMaxHeaderBytes = 64 * 1024;
constexpr DWORD kHeaderBufferBytes = 1024;
constexpr DWORD kMaxFinalUrlBytes = 4098;
constexpr uint32_t kFetchChunk = 16384;

}  // namespace

std::optional<HttpUrl> parseUrl(std::wstring_view text) {
  if (!text::isValidUrl(text)) return std::nullopt;
  const std::wstring copy(text);
  URL_COMPONENTS parts = {};
  parts.dwStructSize = sizeof parts;
  parts.dwHostNameLength = static_cast<DWORD>(-1);
  parts.dwUrlPathLength = static_cast<DWORD>(-1);
  parts.dwExtraInfoLength = static_cast<DWORD>(-1);
  if (!WinHttpCrackUrl(copy.c_str(), 0, 0, &parts)) return std::nullopt;
  if (!parts.lpszHostName) return std::nullopt;
  HttpUrl url;
  url.host.assign(parts.lpszHostName, parts.dwHostNameLength);
  const std::wstring_view path = parts.lpszUrlPath
                                     ? std::wstring_view(parts.lpszUrlPath, parts.dwUrlPathLength)
                                     : std::wstring_view();
  std::wstring extra = parts.lpszExtraInfo
                           ? std::wstring(parts.lpszExtraInfo, parts.dwExtraInfoLength)
                           : std::wstring();
  // Wine leaves a query (or fragment) right after the host in the host.
  const size_t cut = url.host.find_first_of(L"?#");
  if (cut != std::wstring::npos) {
    extra.insert(0, url.host, cut);
    url.host.resize(cut);
  }
  if (url.host.empty()) return std::nullopt;
  url.path = requestPath(path, extra);
  url.port = parts.nPort;
  url.secure = parts.nScheme == INTERNET_SCHEME_HTTPS;
  return url;
}

base::ScopedInternet openSession() {
  base::ScopedInternet session(WinHttpOpen(kUserAgent, WINHTTP_ACCESS_TYPE_AUTOMATIC_PROXY,
                                           WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS,
                                           WINHTTP_FLAG_ASYNC));
  if (!session) return session;
  WinHttpSetTimeouts(session.get(), kResolveTimeoutMs, kConnectTimeoutMs, kSendTimeoutMs,
                     kReceiveTimeoutMs);
  // Wine waits for response headers without limit unless told.
  DWORD headersTimeout = kReceiveTimeoutMs;
  WinHttpSetOption(session.get(), WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT, &headersTimeout,
                   sizeof headersTimeout);
  DWORD maxHeaders = kMaxHeaderBytes;
  WinHttpSetOption(session.get(), WINHTTP_OPTION_MAX_RESPONSE_HEADER_SIZE, &maxHeaders,
                   sizeof maxHeaders);
  return session;
}

std::wstring queryHeaderText(HINTERNET request, DWORD infoLevel, const wchar_t* name) {
  wchar_t buffer[kHeaderBufferBytes / sizeof(wchar_t)];
  DWORD bytes = sizeof buffer;
  if (!WinHttpQueryHeaders(request, infoLevel, name, buffer, &bytes, WINHTTP_NO_HEADER_INDEX)) {
    return {};
  }
  return std::wstring(buffer, std::min<size_t>(bytes / sizeof(wchar_t), std::size(buffer)));
}

uint32_t queryStatus(HINTERNET request) {
  DWORD status = 0;
  DWORD bytes = sizeof status;
  if (!WinHttpQueryHeaders(request, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                           WINHTTP_HEADER_NAME_BY_INDEX, &status, &bytes,
                           WINHTTP_NO_HEADER_INDEX)) {
    return 0;
  }
  return status;
}

std::wstring queryFinalUrl(HINTERNET request) {
  DWORD bytes = 0;
  WinHttpQueryOption(request, WINHTTP_OPTION_URL, nullptr, &bytes);
  if (bytes < 1 || bytes > kMaxFinalUrlBytes) return {};
  wchar_t buffer[kMaxFinalUrlBytes / sizeof(wchar_t) + 1] = {};
  DWORD size = bytes;
  if (!WinHttpQueryOption(request, WINHTTP_OPTION_URL, buffer, &size)) return {};
  std::wstring url(buffer, std::min<size_t>(size / sizeof(wchar_t), std::size(buffer)));
  url.resize(std::wcslen(url.c_str()));
  return url;
}

std::wstring fetch(std::wstring_view url, uint64_t maxBytes, HttpResponse& out,
                   const std::shared_ptr<Cancel>& cancel) {
  try {
    out = HttpResponse();
    const std::optional<HttpUrl> parts = parseUrl(url);
    if (!parts) return kInvalidAddressText;
    base::ScopedInternet session = openSession();
    if (!session) return kNoNetworkText;
    base::ScopedInternet connection(
        WinHttpConnect(session.get(), parts->host.c_str(), parts->port, 0));
    if (!connection) return errorText(GetLastError());

    Cancel* token = cancel.get();
    Request request;
    uint32_t error = 0;
    if (!request.open(connection.get(), parts->path, parts->secure, token, error)) {
      return error == 0 ? kCancelledText : errorText(error);
    }
    auto failure = [&](uint32_t code) {
      return token && token->cancelled() ? std::wstring(kCancelledText) : errorText(code);
    };
    if (!request.send(std::wstring(), error)) return failure(error);

    out.status = request.status();
    out.contentType = request.header(WINHTTP_QUERY_CONTENT_TYPE);
    uint8_t chunk[kFetchChunk];
    for (;;) {
      uint32_t got = 0;
      if (!request.read(chunk, sizeof chunk, got, error)) {
        return token && token->cancelled() ? kCancelledText : kDroppedText;
      }
      if (got == 0) break;
      if (got > maxBytes || out.body.size() > maxBytes - got) return kTooBigText;
      out.body.insert(out.body.end(), chunk, chunk + got);
    }
    // Wine ends the body of a reset connection as if it were complete.
    uint64_t length = 0;
    if (parseContentLength(request.header(WINHTTP_QUERY_CONTENT_LENGTH), length) &&
        out.body.size() < length) {
      return kDroppedText;
    }
    return {};
  } catch (const std::bad_alloc&) {
    return kOutOfMemoryText;
  }
}

}  // namespace http
