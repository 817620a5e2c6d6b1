#include "app/command_line.h"

#include "base/text.h"

namespace {

// The argument splitter reads the last backslash of `"E:\"` or `"C:\Music\"` as escaping the
// closing quote, which then stays in the argument. A path cannot hold a quote: it goes, and a
// bare drive gets its root back (alone, "E:" would mean that drive's current folder).
std::wstring withoutTrailingQuote(std::wstring argument) {
  if (argument.empty() || argument.back() != L'"') return argument;
  argument.pop_back();
  if (argument.size() == 2 && argument[1] == L':') argument += L'\\';
  return argument;
}

}  // namespace

StartOptions parseCommandLine(const std::vector<std::wstring>& arguments,
                              const MakeAbsolute& makeAbsolute) {
  StartOptions options;
  for (const std::wstring& argument : arguments) {
    if (text::equalsOrdinalIgnoreCase(argument, L"--measure-startup")) {
      options.measureStartup = true;
    } else if (text::equalsOrdinalIgnoreCase(argument, L"--force-streaming")) {
      options.forceStreaming = true;
    } else if (!argument.empty() && argument[0] != L'-') {
      std::wstring path = withoutTrailingQuote(argument);
      if (path.empty()) continue;
      std::wstring absolute = makeAbsolute ? makeAbsolute(path) : std::wstring();
      options.paths.push_back(absolute.empty() ? std::move(path) : std::move(absolute));
    }
  }
  return options;
}
