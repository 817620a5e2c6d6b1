// What Media Foundation decoding learns from the container itself, before and after the
// source reader is asked: MP4 or ASF, whether an ASF header declares DRM, and an MP4's
// sample-exact length. Portable: everything is read through the byte source.
#pragma once

#include <cstdint>

#include "engine/mp4_parser.h"
#include "engine/source/byte_source.h"

namespace mf {

// The content types given to the source reader.
inline constexpr wchar_t kMp4ContentType[] = L"audio/mp4";
inline constexpr wchar_t kWmaContentType[] = L"audio/x-ms-wma";

// The most of an ASF header read for the DRM check.
constexpr uint64_t kMaxAsfHeaderRead = 1 << 20;

enum class Probe { Mp4, Wma, Protected, OutOfMemory, NoMovie };

// MP4 unless the first 30 bytes are an ASF header; then the header (at most 1 MiB) decides
// between a plain and a protected WMA. NoMovie: an MP4 (starting with 'ftyp') whose top-level
// boxes, walked to the end, hold no 'moov' (a download cut short): nothing can play it, and
// Media Foundation under Wine may never return from such a file.
Probe probeContainer(source::ByteSource& source) noexcept;

// A BoxReader over the source: repeated readAt until the length is in; an error or the end
// of the data before that fails. The source must outlive the reader.
BoxReader sourceBoxReader(source::ByteSource& source) noexcept;

// The length in frames at `rate` of the first sound track of an MP4, from its mdhd, rounded to
// nearest. False when the container has no usable value.
bool mp4ExactFrames(source::ByteSource& source, uint32_t rate, uint64_t& frames) noexcept;

// Media Foundation's length, replaced by the MP4's exact one when the two differ by at most
// rate / 100 frames (10 ms): Media Foundation rounds through 100-ns units and its own idea of
// the duration, the container counts samples.
uint64_t correctMp4Length(source::ByteSource& source, uint32_t rate, uint64_t mfFrames) noexcept;

}  // namespace mf
