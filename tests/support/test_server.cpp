#include <winsock2.h>

#include "tests/support/test_server.h"

#include <winhttp.h>

#include <algorithm>
#include <sstream>

namespace testsupport {
namespace {

constexpr DWORD kStartPatienceMs = 30000;
constexpr DWORD kStopPatienceMs = 10000;

struct Winsock {
  Winsock() {
    WSADATA data;
    ok = WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }
  ~Winsock() {
    if (ok) WSACleanup();
  }
  bool ok = false;
};

bool winsockReady() {
  static Winsock winsock;
  return winsock.ok;
}

// A Linux path as Wine names it.
std::wstring winePath(const std::string& unixPath) {
  std::wstring path = L"Z:";
  for (char c : unixPath) path.push_back(c == '/' ? L'\\' : static_cast<wchar_t>(c));
  return path;
}

std::wstring widen(const std::string& s) { return std::wstring(s.begin(), s.end()); }

std::wstring quoted(const std::string& argument) {
  if (argument.find_first_of(" \t\"") == std::string::npos && !argument.empty())
    return widen(argument);
  std::wstring out = L"\"";
  for (char c : argument) {
    if (c == '"') out += L'\\';
    out += static_cast<wchar_t>(c);
  }
  return out + L"\"";
}

// Starts a Linux program. Wine makes no Windows process for one, yet reports success with the
// handles and ids of PROCESS_INFORMATION left as they were on its own stack: seen, a thread
// "handle" 0xc that was this process's standard output, closed by an owner here, after which
// GoogleTest's output went nowhere. So nothing it returns is kept or closed.
bool startLinuxProgram(const std::string& program, const std::vector<std::string>& arguments) {
  std::wstring commandLine = quoted(program);
  for (const std::string& a : arguments) commandLine += L" " + quoted(a);
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION ignored = {};
  const std::wstring application = winePath(program);
  return CreateProcessW(application.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0,
                        nullptr, nullptr, &startup, &ignored) != FALSE;
}

// Waits at most timeoutMs for the socket to become readable.
bool readable(SOCKET s, DWORD timeoutMs) {
  fd_set set;
  FD_ZERO(&set);
  FD_SET(s, &set);
  timeval limit = {static_cast<long>(timeoutMs / 1000), static_cast<long>(timeoutMs % 1000) * 1000};
  return select(0, &set, nullptr, nullptr, &limit) == 1;
}

// Reads the control connection until the server's end closes it, at most kStopPatienceMs.
bool closedInTime(SOCKET s) {
  const DWORD deadline = GetTickCount() + kStopPatienceMs;
  for (;;) {
    const LONG left = static_cast<LONG>(deadline - GetTickCount());
    char buffer[64];
    if (left <= 0 || !readable(s, static_cast<DWORD>(left))) return false;
    if (recv(s, buffer, sizeof buffer, 0) <= 0) return true;
  }
}

}  // namespace

TestServer::TestServer(const std::string& script, const std::vector<std::string>& arguments) {
  if (!winsockReady()) {
    error_ = "Winsock did not start";
    return;
  }
  base::ScopedSocket listener(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
  sockaddr_in address = {};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  int length = sizeof address;
  if (!listener || bind(listener.get(), reinterpret_cast<sockaddr*>(&address), length) != 0 ||
      listen(listener.get(), 1) != 0 ||
      getsockname(listener.get(), reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    error_ = "no control socket";
    return;
  }
  std::vector<std::string> all = {std::string(TWK_UNIX_SOURCE_DIR) + "/tools/servers/" + script,
                                  "--control", std::to_string(ntohs(address.sin_port))};
  all.insert(all.end(), arguments.begin(), arguments.end());
  if (!startLinuxProgram(TWK_PYTHON3, all)) {
    error_ = "cannot start " TWK_PYTHON3;
    return;
  }
  if (!readable(listener.get(), kStartPatienceMs)) {
    error_ = "the server did not call back";
    return;
  }
  control_.reset(accept(listener.get(), nullptr, nullptr));
  std::string lines;
  const DWORD deadline = GetTickCount() + kStartPatienceMs;
  while (control_ && std::count(lines.begin(), lines.end(), '\n') < 2) {
    const LONG left = static_cast<LONG>(deadline - GetTickCount());
    char buffer[64];
    if (left <= 0 || !readable(control_.get(), static_cast<DWORD>(left))) break;
    const int got = recv(control_.get(), buffer, sizeof buffer, 0);
    if (got <= 0) break;
    lines.append(buffer, static_cast<size_t>(got));
  }
  std::istringstream in(lines);
  unsigned long port = 0;
  if (!(in >> port >> pid_) || port == 0 || port > 65535) {
    error_ = "the server sent no port";
    stop();
    return;
  }
  port_ = static_cast<uint16_t>(port);
}

TestServer::~TestServer() { stop(); }

void TestServer::stop() {
  if (!control_) return;
  // The server stops at the end of the connection and closes its side as it exits.
  shutdown(control_.get(), SD_SEND);
  const bool ended = closedInTime(control_.get());
  if (!ended && pid_ != 0) startLinuxProgram(TWK_KILL, {"-KILL", std::to_string(pid_)});
  control_.reset();
  port_ = 0;
}

bool TestServer::kill() {
  if (!control_ || pid_ == 0) return false;
  if (!startLinuxProgram(TWK_KILL, {"-KILL", std::to_string(pid_)})) return false;
  // The system closes the control connection when the process is gone.
  const bool gone = closedInTime(control_.get());
  control_.reset();
  pid_ = 0;
  return gone;
}

std::wstring TestServer::url(const std::wstring& path, const std::wstring& host) const {
  return L"http://" + host + L":" + std::to_wstring(port_) + path;
}

bool TestServer::get(const std::wstring& path, std::string& body) const {
  body.clear();
  base::ScopedInternet session(WinHttpOpen(L"TestServer", WINHTTP_ACCESS_TYPE_NO_PROXY,
                                           WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0));
  if (!session) return false;
  WinHttpSetTimeouts(session.get(), 5000, 5000, 5000, 15000);
  base::ScopedInternet connection(WinHttpConnect(session.get(), L"127.0.0.1", port_, 0));
  if (!connection) return false;
  base::ScopedInternet request(WinHttpOpenRequest(connection.get(), L"GET", path.c_str(), nullptr,
                                                  WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES,
                                                  0));
  if (!request ||
      !WinHttpSendRequest(request.get(), WINHTTP_NO_ADDITIONAL_HEADERS, 0, WINHTTP_NO_REQUEST_DATA,
                          0, 0, 0) ||
      !WinHttpReceiveResponse(request.get(), nullptr)) {
    return false;
  }
  DWORD status = 0;
  DWORD size = sizeof status;
  WinHttpQueryHeaders(request.get(), WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                      WINHTTP_HEADER_NAME_BY_INDEX, &status, &size, WINHTTP_NO_HEADER_INDEX);
  char buffer[16384];
  DWORD got = 0;
  while (WinHttpReadData(request.get(), buffer, sizeof buffer, &got) && got > 0) {
    body.append(buffer, got);
  }
  return status == 200;
}

std::vector<LoggedRequest> loggedRequests(const TestServer& server, const std::wstring& path) {
  std::vector<LoggedRequest> requests;
  std::string body;
  if (!server.get(path.empty() ? L"/_stats" : L"/_stats?path=" + path, body)) return requests;
  std::istringstream lines(body);
  std::string line;
  while (std::getline(lines, line)) {
    LoggedRequest r;
    std::istringstream fields(line);
    std::getline(fields, r.path, '\t');
    std::getline(fields, r.range, '\t');
    std::getline(fields, r.host, '\t');
    requests.push_back(r);
  }
  return requests;
}

}  // namespace testsupport
