// A start-up decision that needs no system: whether the listening log corrects the position
// the last session is restored to. Portable.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "player/log_codec.h"

// Beyond this distance from the saved position the log's position wins.
constexpr uint64_t kLogCorrectionMs = 2000;

// The log's last position replaces the restore position when the log did not end cleanly (the
// last run crashed), and it is a usable position (a track path that is not a CD track) for the
// same track (ignoring case) more than 2000 ms away in either direction. True with the
// replacement in `positionMs`. Whether the track is that long is known only once it is loaded.
bool correctFromLog(const LogSummary& summary, std::wstring_view restorePath, uint64_t& positionMs);
