#include "app/command_line.h"

#include "base/text.h"

StartOptions parseCommandLine(const std::vector<std::wstring>& arguments,
                              const MakeAbsolute& makeAbsolute) {
  StartOptions options;
  for (const std::wstring& argument : arguments) {
    if (text::equalsOrdinalIgnoreCase(argument, L"--measure-startup")) {
      options.measureStartup = true;
    } else if (text::equalsOrdinalIgnoreCase(argument, L"--force-streaming")) {
      options.forceStreaming = true;
    } else if (!argument.empty() && argument[0] != L'-') {
      std::wstring absolute = makeAbsolute ? makeAbsolute(argument) : std::wstring();
      options.paths.push_back(absolute.empty() ? argument : std::move(absolute));
    }
  }
  return options;
}
