// Parses a downloaded feed body with XmlLite. Windows only; the rules themselves are
// FeedBuilder's.
#pragma once

#include <string_view>

#include "net/podcast/episode.h"

namespace podcast {

// Fills the result's title, episodes and error from the body's bytes (any encoding XmlLite
// detects: UTF-8 with or without a byte-order mark, UTF-16, ...). DTDs are refused and
// elements nest at most 64 deep. Any thread; COM need not be initialised.
void parseFeedBody(std::string_view body, FeedResult& out);

}  // namespace podcast
