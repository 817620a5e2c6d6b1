// What the command line hands to the player.
#pragma once

#include <string>
#include <vector>

struct StartOptions {
  bool measureStartup = false;      // "--measure-startup"
  std::vector<std::wstring> paths;  // path arguments, made absolute
  bool forceStreaming = false;      // "--force-streaming": the loader streams local files too
};
