// One GET request whose blocking steps can be cancelled from another thread.
#pragma once

#include <windows.h>
#include <winhttp.h>

#include <cstdint>
#include <string>

#include "base/scoped_win.h"
#include "net/http/cancel.h"

namespace http {

// WinHTTP runs asynchronously underneath (the sessions of openSession): each step starts the
// call and waits for its completion or for the token's event. Under Wine a synchronous call
// goes on after its handle was closed, until its 15 s receive time-out, so a cancel would not
// end it promptly. Every step but close() runs on one thread at a time; the token's cancel()
// may come from any thread.
class Request {
 public:
  Request() noexcept = default;
  ~Request() { close(); }
  Request(const Request&) = delete;
  Request& operator=(const Request&) = delete;

  // Opens "GET path" on the connection. With a token the request is registered with it, so
  // that its cancel() closes it. False with a Win32 error, or with error 0 when the token was
  // cancelled already.
  bool open(HINTERNET connection, const std::wstring& path, bool secure, Cancel* cancel,
            uint32_t& error) noexcept;

  // Sends with extra header lines (may be empty) and waits for the response headers.
  bool send(const std::wstring& headers, uint32_t& error) noexcept;

  // Reads at most count bytes of the body; true with got 0 at its end. Bytes WinHTTP delivered
  // beyond a read wait for the next one (and go with close()).
  bool read(uint8_t* buffer, uint32_t count, uint32_t& got, uint32_t& error) noexcept;

  // Reads what has arrived, at most count bytes, waiting only until something has: a live
  // stream is consumed as it comes, not in read-ahead blocks. True with got 0 at the end.
  bool readAvailable(uint8_t* buffer, uint32_t count, uint32_t& got, uint32_t& error) noexcept;

  // Takes the request back from its token, or closes it.
  void close() noexcept;
  bool isOpen() const noexcept { return handle_ != nullptr; }

  // The request leaves its token while another request of the same reader is registered
  // there, and comes back afterwards. attach() closes it when the token was cancelled meanwhile.
  void detach() noexcept;
  bool attach() noexcept;

  // Answers about the response (0 or empty when the request is closed or cancelled). The
  // texts may throw std::bad_alloc.
  uint32_t status() noexcept;
  std::wstring header(DWORD infoLevel, const wchar_t* name = WINHTTP_HEADER_NAME_BY_INDEX);
  std::wstring finalUrl();

  // Request contexts WinHTTP has not released yet: one per request handle until its closing.
  static long liveContexts() noexcept;

  struct Context;  // shared with the status callback

 private:
  // Open and no step failed yet; otherwise the error to report.
  bool usable(uint32_t& error) const noexcept;
  template <typename Call>
  bool start(Call call, uint32_t& error) noexcept;
  bool wait(DWORD expected, uint32_t& error) noexcept;
  bool refill(uint32_t count, uint32_t& error) noexcept;
  bool readInto(uint32_t at, uint32_t count, uint32_t& got, uint32_t& error) noexcept;
  template <typename Query>
  bool query(Query query);

  HINTERNET handle_ = nullptr;  // owned by owned_, or by the token while registered
  base::ScopedInternet owned_;
  Cancel* cancel_ = nullptr;
  bool registered_ = false;
  Context* context_ = nullptr;  // shared with WinHTTP's callback until the handle closes
  // The error of the step that failed, 0 while none has. WinHTTP keeps no sound state for a
  // request after a failed step (Wine, after a read broken off by a dropped connection,
  // announces 4 GiB of data and copies from beyond its own buffer), so nothing more is asked
  // of the handle: every later step fails with this error until the request is closed.
  uint32_t failure_ = 0;
  // Read-ahead in the context's buffer: bytes aheadBegin_ to aheadEnd_ are not delivered yet.
  static constexpr uint32_t kMinAhead = 0x4000;
  uint32_t ahead_ = 0x10000;
  uint32_t aheadBegin_ = 0;
  uint32_t aheadEnd_ = 0;
};

}  // namespace http
