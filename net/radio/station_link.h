// Station links: the small .pls and .m3u files many stations publish instead of their stream
// address. The first usable stream URL is taken; HLS playlists are refused.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace radio {

constexpr size_t kMaxStationLinkBytes = 65536;
constexpr size_t kMaxStationLinkLineBytes = 4096;

inline constexpr wchar_t kHlsRefused[] = L"HLS streams aren't supported";
inline constexpr wchar_t kLinkTooBig[] = L"Not a station link (over 64 KB)";
inline constexpr wchar_t kLinkNoAddress[] = L"The station link has no stream address";
inline constexpr wchar_t kLinkAnsweredHttp[] = L"The station link answered HTTP ";

// The first stream URL of a PLS or M3U file, or empty. `hls` is set (and the result empty)
// when any line starts with "#EXT-X-", wherever it stands.
std::wstring parseStationLink(const uint8_t* bytes, size_t length, bool& hls);

// True for a URL whose extension says it is a link to resolve first (.pls, .m3u, .m3u8).
bool isStationLinkUrl(std::wstring_view url);
// True for a .m3u8 URL: refused without downloading it.
bool isHlsUrl(std::wstring_view url);

// Judges a finished link download: `fetchError` is the download's error text (empty on
// success), `status` its HTTP status. Returns the stream URL, or empty with `error` set.
std::wstring judgeStationLink(std::wstring_view fetchError, uint32_t status, const uint8_t* body,
                              size_t length, std::wstring& error);

}  // namespace radio
