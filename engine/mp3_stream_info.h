// What an MP3 streamed over HTTP is decoded and sought by without scanning it: the first
// frame, its rates and the Xing/Info frame count, found from two small reads at the start.
// Portable and fuzzed.
#pragma once

#include <cstdint>

#include "engine/source/byte_source.h"

struct Mp3FrameHeader {
  uint32_t version = 0;  // 1, 2, or 25 for MPEG-2.5
  uint32_t bitRate = 0;  // bits per second
  uint32_t sampleRate = 0;
  uint32_t samplesPerFrame = 0;
  uint32_t frameLength = 0;  // bytes
  bool mono = false;
};

// A Layer III frame header from the 4 bytes at b; false when they are not one.
bool parseMp3FrameHeader(const uint8_t* b, Mp3FrameHeader& out);

struct Mp3StreamInfo {
  uint64_t firstFrameOffset = 0;  // absolute; the Xing/Info frame itself when there is one
  uint32_t sampleRate = 0;
  uint32_t bitRate = 0;  // of the first frame
  uint32_t samplesPerFrame = 0;
  uint32_t frameCount = 0;  // from Xing/Info; 0 when unknown
};

// The bytes read after an ID3v2 tag to find the first frame.
constexpr uint32_t kMp3ScanBytes = 4096;

// Skips an ID3v2 tag and finds the first frame that is followed by a frame of the same version
// and rate (or whose successor lies beyond the bytes read). False when none is found or a read
// fails.
bool findMp3StreamInfo(source::ByteSource& source, Mp3StreamInfo& out);

// Length in frames: exact from a Xing/Info count, otherwise estimated from the first frame's
// bit rate over audioBytes (source::kUnknownSize when unknown: the length is 0, unknown). An
// estimate is limited so that frames x 1000 still fits 64 bits.
uint64_t mp3LengthInFrames(const Mp3StreamInfo& info, uint64_t audioBytes);

// The byte offset a seek to targetFrame starts decoding at, in proportion to the length (limited
// to it); 0 for frame 0. False when there is nothing to go by: no length, an unknown size, or a
// first frame at or past the end.
bool mp3SeekOffset(const Mp3StreamInfo& info, uint64_t sourceSize, uint64_t lengthFrames,
                   uint64_t targetFrame, uint64_t& offset);
