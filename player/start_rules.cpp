#include "player/start_rules.h"

#include "base/text.h"
#include "engine/load_path.h"

std::wstring parentFolderOf(std::wstring_view path) {
  const size_t slash = path.find_last_of(L"\\/");
  if (slash == std::wstring_view::npos) return std::wstring();
  std::wstring parent(path.substr(0, slash));
  if (parent.size() == 2 && parent[1] == L':') parent.push_back(L'\\');
  return parent;
}

bool correctFromLog(const LogSummary& summary, std::wstring_view restorePath,
                    uint64_t& positionMs) {
  if (!summary.hasLastPosition || summary.lastPath.empty() || isCdTrackPath(summary.lastPath)) {
    return false;
  }
  if (restorePath.empty() || !text::equalsOrdinalIgnoreCase(summary.lastPath, restorePath)) {
    return false;
  }
  const uint64_t logged = summary.lastPositionMs;
  const uint64_t distance = logged > positionMs ? logged - positionMs : positionMs - logged;
  if (distance <= kLogCorrectionMs) return false;
  positionMs = logged;
  return true;
}
