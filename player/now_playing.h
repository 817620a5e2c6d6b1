// The record of a loaded track: the one playing and the one prepared to follow it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/tag_info.h"
#include "engine/stream_decoder_ref.h"

// What the record says of its track, as plain values (what the player's view copies).
struct TrackRecord {
  int64_t id = -1;          // load id of the request that produced it; -1: empty record
  int64_t index = -1;       // in the track list; -1 for a track from outside it
  std::wstring path;        // file path, CD track path or URL
  std::wstring title;       // what the window shows
  std::wstring mediaTitle;  // what the system media controls show
  std::wstring artist;
  uint64_t totalFrames = 0;  // 0: unknown
  uint32_t sampleRate = 0;   // 0: unknown
  bool streamed = false;     // bytes come over the network
  bool seekable = true;
  std::vector<Chapter> chapters;
  std::vector<uint32_t> chapterStarts;  // ms, parallel to chapters
};

struct NowPlaying : TrackRecord {
  StreamDecoderRef stream;  // the decoder feeding a streamed or CD track; empty from memory
};
