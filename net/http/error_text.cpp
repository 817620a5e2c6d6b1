#include "net/http/error_text.h"

#include "base/text.h"

namespace http {

std::wstring errorText(uint32_t error) {
  switch (error) {
    case 12002:  // ERROR_WINHTTP_TIMEOUT
    case 10060:  // WSAETIMEDOUT: Wine's WinHTTP passes socket errors through
      return L"The server didn't answer in time";
    case 12007:  // ERROR_WINHTTP_NAME_NOT_RESOLVED
      return L"Can't find the server (no network?)";
    case 12029:  // ERROR_WINHTTP_CANNOT_CONNECT
    case 10061:  // WSAECONNREFUSED
      return L"Can't reach the server";
    case 12030:  // ERROR_WINHTTP_CONNECTION_ERROR
    case 10053:  // WSAECONNABORTED
    case 10054:  // WSAECONNRESET
      return L"The connection broke";
    // Certificate date, name, authority, revocation check, secure channel, invalid, revoked,
    // secure failure, wrong usage.
    case 12037:
    case 12038:
    case 12045:
    case 12057:
    case 12157:
    case 12169:
    case 12170:
    case 12175:
    case 12179:
      return L"The secure connection failed";
    default:
      return L"Can't connect";
  }
}

std::wstring statusText(uint32_t status) {
  return L"The server answered HTTP " + text::toDecimal(static_cast<uint64_t>(status));
}

}  // namespace http
