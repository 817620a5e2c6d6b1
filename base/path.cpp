#include "base/path.h"

namespace paths {

bool isSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

size_t lastSeparator(std::wstring_view path) { return path.find_last_of(L"\\/"); }

std::wstring_view fileName(std::wstring_view path) {
  const size_t slash = lastSeparator(path);
  return slash == std::wstring_view::npos ? path : path.substr(slash + 1);
}

std::wstring parentFolder(std::wstring_view path) {
  const size_t slash = lastSeparator(path);
  if (slash == std::wstring_view::npos) return std::wstring();
  std::wstring parent(path.substr(0, slash));
  if (parent.size() == 2 && parent[1] == L':') parent.push_back(L'\\');
  return parent;
}

std::wstring child(std::wstring_view folder, std::wstring_view name) {
  std::wstring path;
  path.reserve(folder.size() + 1 + name.size());
  path.append(folder);
  if (folder.empty() || !isSeparator(folder.back())) path.push_back(L'\\');
  path.append(name);
  return path;
}

std::wstring withoutTrailingSeparator(std::wstring path) {
  if (path.size() > 1 && isSeparator(path.back())) path.pop_back();
  return path;
}

std::wstring sibling(std::wstring_view path, std::wstring_view name) {
  const size_t slash = lastSeparator(path);
  if (slash == std::wstring_view::npos) return std::wstring(name);
  return std::wstring(path.substr(0, slash + 1)).append(name);
}

}  // namespace paths
