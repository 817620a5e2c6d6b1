// Start-up decisions that need no system: the folder a given file opens, and whether the
// listening log corrects the position the last session is restored to. Portable.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "player/log_codec.h"

// The part before the last "\" or "/"; a bare drive "X:" becomes "X:\". Empty when the path
// has no separator.
std::wstring parentFolderOf(std::wstring_view path);

// Beyond this distance from the saved position the log's position wins.
constexpr uint64_t kLogCorrectionMs = 2000;

// The log's last position replaces the restore position when it is a usable position (a
// track path that is not a CD track) for the same track (ignoring case) and lies more than
// 2000 ms away in either direction. True with the replacement in `positionMs`.
bool correctFromLog(const LogSummary& summary, std::wstring_view restorePath, uint64_t& positionMs);
