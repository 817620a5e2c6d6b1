#include "tests/support/child_process.h"

#include <algorithm>
#include <cstdio>

#include "base/scoped_win.h"
#include "base/text.h"

namespace childproc {

namespace {

std::wstring quoted(const std::wstring& argument) {
  if (!argument.empty() && argument.find_first_of(L" \t\"") == std::wstring::npos) return argument;
  std::wstring out = L"\"";
  size_t backslashes = 0;
  for (wchar_t c : argument) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    // Backslashes before a quote are doubled, and the quote escaped.
    out.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
    backslashes = 0;
    out.push_back(c);
  }
  out.append(backslashes * 2, L'\\');
  out.push_back(L'"');
  return out;
}

struct FindData {
  const wchar_t* className;
  DWORD processId;
  HWND found;
};

BOOL CALLBACK findWindow(HWND window, LPARAM lParam) {
  auto* data = reinterpret_cast<FindData*>(lParam);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner != data->processId) return TRUE;
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  if (std::wstring(name) != data->className) return TRUE;
  // Found only once shown: the window is shown after its controls were made.
  if (!IsWindowVisible(window)) return TRUE;
  data->found = window;
  return FALSE;
}

}  // namespace

std::wstring environmentWith(const std::vector<std::pair<std::wstring, std::wstring>>& set) {
  std::vector<std::wstring> entries;
  if (wchar_t* block = GetEnvironmentStringsW()) {
    for (const wchar_t* p = block; *p; p += wcslen(p) + 1) entries.emplace_back(p);
    FreeEnvironmentStringsW(block);
  }
  for (const auto& [name, value] : set) {
    const std::wstring prefix = name + L"=";
    entries.erase(std::remove_if(entries.begin(), entries.end(),
                                 [&](const std::wstring& e) {
                                   return e.size() >= prefix.size() &&
                                          text::equalsOrdinalIgnoreCase(
                                              std::wstring_view(e).substr(0, prefix.size()),
                                              prefix);
                                 }),
                  entries.end());
    entries.push_back(prefix + value);
  }
  std::wstring block;
  for (const std::wstring& entry : entries) {
    block += entry;
    block.push_back(L'\0');
  }
  block.push_back(L'\0');
  return block;
}

std::wstring windowsPath(const std::string& path) {
  std::wstring wide = text::utf8ToWide(path);
  if (wide.empty() || wide[0] != L'/') return wide;
  std::replace(wide.begin(), wide.end(), L'/', L'\\');
  return L"Z:" + wide;
}

Child::~Child() { terminate(); }

bool Child::start(const std::wstring& program, const std::vector<std::wstring>& arguments,
                  const std::wstring& environment, bool captureOutput) {
  std::wstring commandLine = quoted(program);
  for (const std::wstring& argument : arguments) commandLine += L" " + quoted(argument);

  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  base::ScopedHandle outputWrite;
  if (captureOutput) {
    SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
    if (!CreatePipe(outputRead_.put(), outputWrite.put(), &inherit, 1 << 16)) {
      std::fprintf(stderr, "CreatePipe failed (error %lu)\n", GetLastError());
      return false;
    }
    SetHandleInformation(outputRead_.get(), HANDLE_FLAG_INHERIT, 0);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = nullptr;
    startup.hStdOutput = outputWrite.get();
    startup.hStdError = nullptr;
  }
  PROCESS_INFORMATION info = {};
  std::wstring environmentCopy = environment;
  auto create = [&] {
    return CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, captureOutput,
                          CREATE_UNICODE_ENVIRONMENT,
                          environmentCopy.empty() ? nullptr : environmentCopy.data(), nullptr,
                          &startup, &info);
  };
  BOOL created = create();
  if (!created) {
    // Seen once in a whole suite under Wine: a start that failed while the same start had
    // just worked hundreds of times. One more try, and the reason goes to the log.
    std::fprintf(stderr, "CreateProcessW failed (error %lu); trying once more\n", GetLastError());
    created = create();
    if (!created) std::fprintf(stderr, "CreateProcessW failed again (error %lu)\n", GetLastError());
  }
  // Only the child holds the write end now, so its exit ends the output.
  outputWrite.reset();
  if (!created) return false;
  const base::ScopedHandle thread(info.hThread);  // only the process is waited for
  process_.reset(info.hProcess);
  processId_ = info.dwProcessId;
  return true;
}

void Child::drain() {
  if (!outputRead_) return;
  for (;;) {
    DWORD available = 0;
    if (!PeekNamedPipe(outputRead_.get(), nullptr, 0, nullptr, &available, nullptr) ||
        available == 0) {
      return;
    }
    std::string chunk(available, '\0');
    DWORD read = 0;
    if (!ReadFile(outputRead_.get(), chunk.data(), available, &read, nullptr) || read == 0) return;
    output.append(chunk.data(), read);
  }
}

bool Child::wait(DWORD timeoutMs) {
  if (!process_) return false;
  const ULONGLONG deadline = GetTickCount64() + timeoutMs;
  for (;;) {
    drain();
    const ULONGLONG now = GetTickCount64();
    const DWORD slice =
        now >= deadline ? 0 : static_cast<DWORD>(std::min<ULONGLONG>(deadline - now, 20));
    if (WaitForSingleObject(process_.get(), slice) == WAIT_OBJECT_0) {
      drain();
      GetExitCodeProcess(process_.get(), &exitCode);
      return true;
    }
    if (GetTickCount64() >= deadline) return false;
  }
}

bool Child::running() const {
  return process_ && WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT;
}

void Child::terminate() {
  if (!running()) return;
  TerminateProcess(process_.get(), 1);
  WaitForSingleObject(process_.get(), 10000);
}

HWND windowOfProcess(const wchar_t* className, DWORD processId) {
  FindData data = {className, processId, nullptr};
  EnumWindows(findWindow, reinterpret_cast<LPARAM>(&data));
  return data.found;
}

}  // namespace childproc
