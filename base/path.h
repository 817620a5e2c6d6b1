// Path texts taken apart and put together: "\" and "/" both separate. Portable: no platform
// headers, and nothing here touches the file system.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace paths {

bool isSeparator(wchar_t c);

// The position of the last "\" or "/"; npos when there is none.
size_t lastSeparator(std::wstring_view path);

// The file name after the last separator (the whole text without one).
std::wstring_view fileName(std::wstring_view path);

// The part before the last separator; a bare drive "X:" becomes "X:\". Empty when the path
// has no separator.
std::wstring parentFolder(std::wstring_view path);

// The folder followed by a separator unless it already ends in one, then the name.
std::wstring child(std::wstring_view folder, std::wstring_view name);

// The path without one trailing separator (a lone separator stays).
std::wstring withoutTrailingSeparator(std::wstring path);

// The file `name` in the folder of `path`: the text up to and with its last separator, then
// the name (the name alone when the path has no separator).
std::wstring sibling(std::wstring_view path, std::wstring_view name);

}  // namespace paths
