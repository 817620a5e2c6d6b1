#include "player/start_rules.h"

#include "base/text.h"
#include "engine/load_path.h"

bool correctFromLog(const LogSummary& summary, std::wstring_view restorePath,
                    uint64_t& positionMs) {
  if (summary.endedCleanly || !summary.hasLastPosition || summary.lastPath.empty() ||
      isCdTrackPath(summary.lastPath)) {
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
