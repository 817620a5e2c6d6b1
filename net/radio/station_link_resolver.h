// Downloads a station link (.pls, .m3u) and takes the stream address out of it.
#pragma once

#include <memory>
#include <string>

#include "net/http/cancel.h"

namespace radio {

// The stream URL, or empty with `error` set: HLS links are refused without a download, the
// link may hold at most 64 KiB, and anything but a 200 answer fails. The token ends a download
// in progress from another thread (the error is then the download's "Cancelled").
std::wstring resolveStationLink(const std::wstring& url, std::wstring& error,
                                const std::shared_ptr<http::Cancel>& cancel);

}  // namespace radio
