// What kind of thing a load request names, decided from the path text alone.
#pragma once

#include <string_view>

// Begins with "http://" or "https://" in any case.
bool isHttpUrl(std::wstring_view path);

// Exactly "X:\TrackNN.cda": a drive letter, "Track" and ".cda" in any case, NN from 01 to 99.
bool isCdTrackPath(std::wstring_view path);

// The extension (text after the last '.') is ".m4a", ".m4b" or ".wma" in any case.
bool selectsMediaFoundation(std::wstring_view path);
