// A start-up decision that needs no system: whether the listening log corrects the position
// the last session is restored to. Portable.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "player/log_codec.h"

// Beyond this distance from the saved position the log's position wins.
constexpr uint64_t kLogCorrectionMs = 2000;

// The log's last position replaces the restore position when it is a usable position (a
// track path that is not a CD track) for the same track (ignoring case) and lies more than
// 2000 ms away in either direction. True with the replacement in `positionMs`.
bool correctFromLog(const LogSummary& summary, std::wstring_view restorePath, uint64_t& positionMs);
