// The command line's rules: the two options, in any letter case, and path arguments made
// absolute. Portable; the shell hands in the arguments and the way to make a path absolute.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "player/start_options.h"

// Returns the absolute form of a path, or an empty text when that fails.
using MakeAbsolute = std::function<std::wstring(const std::wstring&)>;

// The arguments after the program name. "--measure-startup" and "--force-streaming" set
// their flags; other arguments beginning with "-" are ignored; every other non-empty argument
// is a path, made absolute (or kept as it was when that fails).
StartOptions parseCommandLine(const std::vector<std::wstring>& arguments,
                              const MakeAbsolute& makeAbsolute);
