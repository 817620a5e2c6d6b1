// The track loader's way into an HTTP resource: a range source whose first request has
// succeeded, and how its content is decoded.
#pragma once

#include <memory>
#include <string>

#include "net/http/range_source.h"

namespace http {

struct OpenedUrl {
  std::unique_ptr<RangeSource> source;  // null on failure
  // Media Foundation for the MP4 and WMA family, else MP3 decoded by byte-offset seeks.
  bool useMediaFoundation = false;
  std::wstring error;  // the message on failure
};

// Validates and splits the URL, opens a session and the first request (ranged, at 0), refuses
// an empty resource, moves later requests to where redirections ended, and chooses the decoder
// from the Content-Type or the URL's extension. Blocks for as long as the network takes.
OpenedUrl openUrlSource(const std::wstring& url);

}  // namespace http
