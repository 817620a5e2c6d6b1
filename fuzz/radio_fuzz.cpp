// The internet radio's parsers over arbitrary bytes. The first byte picks one:
// 0 station link; 1 ICY demultiplexer (metaint byte, code-page byte, read-size byte, body);
// 2 ADTS framer and sniffing (read-size byte, body); 3 content type and icy-metaint;
// 4 the stream reader under miniaudio's MP3 decoder (metaint byte, read-size byte, body).
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "base/text.h"
#include "net/radio/adts.h"
#include "net/radio/icy_demuxer.h"
#include "net/radio/station_link.h"
#include "net/radio/stream_reader.h"
#include "net/radio/stream_type.h"

namespace {

void stationLink(const uint8_t* data, size_t size) {
  bool hls = false;
  const std::wstring url = radio::parseStationLink(size ? data : nullptr, size, hls);
  if (hls && !url.empty()) __builtin_trap();
  if (!url.empty() && !text::isValidUrl(url)) __builtin_trap();
}

void icy(const uint8_t* data, size_t size) {
  if (size < 3) return;
  static const uint32_t kCodePages[] = {0, 1252, 1251, 65001};
  const uint32_t metaint = data[0] % 64;
  radio::IcyDemuxer demuxer(metaint, kCodePages[data[1] % 4]);
  const size_t step = 1 + data[2];
  data += 3;
  size -= 3;
  std::vector<uint8_t> audio;
  for (size_t pos = 0; pos < size; pos += step) {
    const size_t n = size - pos < step ? size - pos : step;
    demuxer.push(data + pos, n, audio);
    if (demuxer.takeTitles().size() > radio::kMaxPendingTitles) __builtin_trap();
  }
  if (audio.size() > size) __builtin_trap();
  if (metaint == 0 && audio.size() != size) __builtin_trap();
}

void adts(const uint8_t* data, size_t size) {
  if (size < 1) return;
  const size_t step = 1 + size_t{data[0]} * 16;
  ++data;
  --size;
  radio::sniffStream(size ? data : nullptr, size, true);
  radio::AdtsFramer framer;
  radio::AdtsHeader header;
  std::vector<uint8_t> frame;
  for (size_t pos = 0; pos < size; pos += step) {
    const size_t n = size - pos < step ? size - pos : step;
    framer.append(data + pos, n);
    while (framer.next(header, frame)) {
      radio::AdtsHeader again;
      if (!radio::parseAdtsHeader(frame.data(), frame.size(), again) ||
          again.frameLength != frame.size()) {
        __builtin_trap();
      }
    }
    // What is held is the frame that may start a sync plus one read at most.
    if (framer.pending() > 8191 + radio::kAdtsHeaderBytes + step) __builtin_trap();
  }
}

void contentType(const uint8_t* data, size_t size) {
  std::wstring header;
  for (size_t i = 0; i < size; ++i) header.push_back(wchar_t(data[i]));
  const radio::ContentClass kind = radio::classifyContentType(header);
  if ((kind.kind == radio::StreamClass::Refused) == kind.error.empty()) __builtin_trap();
  radio::contentTypeNamesPlaylist(header);
  if (radio::parseMetaint(header) > radio::kMaxMetaint) __builtin_trap();
}

void mp3Stream(const uint8_t* data, size_t size) {
  if (size < 2) return;
  const uint32_t metaint = data[0] * 64u;
  const size_t step = 1 + size_t{data[1]} * 64;
  data += 2;
  size -= 2;
  size_t at = 0;
  radio::StreamReader reader(metaint, 0, [&](uint8_t* buffer, size_t capacity, size_t& got) {
    got = std::min({step, capacity, size - at});
    std::copy_n(data + at, got, buffer);
    at += got;
    return got > 0;
  });
  uint64_t frames = 0;
  radio::decodeMp3(
      reader,
      [&](const int16_t* pcm, uint32_t count, uint32_t rate) {
        if (!pcm || count == 0 || count > 1152 || rate == 0) __builtin_trap();
        frames += count;
        // No input byte yields a whole MP3 frame: more would be audio made up without end.
        if (frames > 1152 * (uint64_t{size} + 2)) __builtin_trap();
        return true;
      },
      [&] { reader.takeTitles(); });
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  switch (data[0] % 5) {
    case 0:
      stationLink(data + 1, size - 1);
      break;
    case 1:
      icy(data + 1, size - 1);
      break;
    case 2:
      adts(data + 1, size - 1);
      break;
    case 3:
      contentType(data + 1, size - 1);
      break;
    default:
      mp3Stream(data + 1, size - 1);
      break;
  }
  return 0;
}
