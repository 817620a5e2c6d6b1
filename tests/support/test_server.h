// The loopback servers of tools/servers/ run for a test or benchmark: Linux's python3 started
// under Wine, stopped with the object. No GoogleTest here; callers assert on ok().
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "base/scoped_win.h"

namespace testsupport {

// Byte i of the generated bodies of http_server.py (/gen/<size>).
inline uint8_t generatedByte(uint64_t i) {
  return static_cast<uint8_t>(i ^ (i >> 8) ^ (i >> 16) ^ (i >> 24));
}

// Wine gives a Linux child /dev/null for stdin and stdout whatever the STARTUPINFO says, so
// the server is told a loopback port to connect to instead: it sends its port (and process id)
// as the first lines and stops when that connection closes. Its process is never killed by
// name: only by its own id, and only when it does not stop in time.
class TestServer {
 public:
  // Starts tools/servers/<script> with the extra arguments and waits (bounded) for its port.
  explicit TestServer(const std::string& script, const std::vector<std::string>& arguments = {});
  ~TestServer();
  TestServer(const TestServer&) = delete;
  TestServer& operator=(const TestServer&) = delete;

  bool ok() const { return port_ != 0; }
  const std::string& error() const { return error_; }
  uint16_t port() const { return port_; }

  // "http://<host>:<port><path>".
  std::wstring url(const std::wstring& path, const std::wstring& host = L"127.0.0.1") const;

  // A plain GET on the server (its log pages); false when it fails or is not 200.
  bool get(const std::wstring& path, std::string& body) const;

  // Kills the server process by its id, as a crash would end it: its connections drop
  // mid-transfer and later ones to its port are refused. True once it is gone (bounded wait).
  bool kill();

 private:
  void stop();

  base::ScopedSocket control_;
  uint16_t port_ = 0;
  unsigned long pid_ = 0;
  std::string error_;
};

// One request of http_server.py's log.
struct LoggedRequest {
  std::string path;
  std::string range;  // "-" when there was no Range header
  std::string host;
};

// The requests the server logged for one path (all paths when empty), in order.
std::vector<LoggedRequest> loggedRequests(const TestServer& server, const std::wstring& path);

}  // namespace testsupport
