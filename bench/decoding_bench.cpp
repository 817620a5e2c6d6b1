// Decoding speed in times real time, for each format, on the memory path (the audio callback
// reading the memory decoder) and the stream path (a StreamDecoder's thread filling its ring
// while a reader drains it). Prints one line per format and path.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "engine/decoder_io.h"
#include "engine/loaded_track.h"
#include "engine/memory_decoder.h"
#include "engine/source/memory_source.h"
#include "engine/stream_decoder.h"
#include "tests/support/files.h"
#include "tests/support/memory_track.h"
#include "tests/support/wav_writer.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr double kMinSeconds = 1.0;      // measure each case for at least this long
constexpr uint64_t kPeriodFrames = 960;  // what one 20 ms callback asks for at 48 kHz

struct Figure {
  double audioSeconds = 0;
  double wallSeconds = 0;
};

bool decodeFromMemory(const std::vector<uint8_t>& image, ma_encoding_format format, Figure& f) {
  LoadedTrackPtr track = testsupport::trackWithImage(1, image);
  auto start = Clock::now();
  if (!openMemoryDecoder(*track, format)) return false;
  std::vector<float> out(kPeriodFrames * 2);
  uint64_t total = 0;
  for (;;) {
    ma_uint64 got = 0;
    ma_decoder_read_pcm_frames(&track->memoryDecoder, out.data(), kPeriodFrames, &got);
    total += got;
    if (got < kPeriodFrames) break;
  }
  f.wallSeconds += std::chrono::duration<double>(Clock::now() - start).count();
  f.audioSeconds += static_cast<double>(total) / track->sampleRate;
  return true;
}

bool decodeThroughRing(const std::vector<uint8_t>& image, ma_encoding_format format, Figure& f) {
  auto start = Clock::now();
  StreamDecoder* decoder = StreamDecoder::create(std::make_unique<source::MemorySource>(image));
  if (!decoder || decoder->openMiniaudio(format) != StreamDecoder::OpenResult::Ok) {
    if (decoder) decoder->release();
    return false;
  }
  LoadedTrack track;
  std::vector<float> out(kPeriodFrames * 2);
  uint64_t total = 0;
  StreamDecoder::DrainResult result = StreamDecoder::DrainResult::Full;
  while (result != StreamDecoder::DrainResult::Ended) {
    total += decoder->drain(track, out.data(), kPeriodFrames, result);
    if (result == StreamDecoder::DrainResult::Underrun) std::this_thread::yield();
  }
  const uint32_t rate = decoder->sampleRate;
  decoder->release();
  f.wallSeconds += std::chrono::duration<double>(Clock::now() - start).count();
  f.audioSeconds += static_cast<double>(total) / rate;
  return true;
}

void measure(const char* label, const std::vector<uint8_t>& image, ma_encoding_format format,
             const std::string& what) {
  Figure memory, stream;
  while (memory.wallSeconds < kMinSeconds) {
    if (!decodeFromMemory(image, format, memory)) return;
  }
  while (stream.wallSeconds < kMinSeconds) {
    if (!decodeThroughRing(image, format, stream)) return;
  }
  std::printf("%-6s memory %8.1fx real time   stream %8.1fx real time   (%s)\n", label,
              memory.audioSeconds / memory.wallSeconds, stream.audioSeconds / stream.wallSeconds,
              what.c_str());
}

void run(const char* label, const std::string& file) {
  std::vector<uint8_t> image = testsupport::readBytes(TWK_SOURCE_DIR "/tests/data/audio/" + file);
  if (image.empty()) {
    std::printf("%-6s missing %s\n", label, file.c_str());
    return;
  }
  measure(label, image, decoding::encodingFormatForPath(std::wstring(file.begin(), file.end())),
          file + ", open and thread start included");
}

}  // namespace

int main() {
  run("MP3", "sine44_stereo.mp3");
  run("FLAC", "sine48_stereo.flac");
  run("WAV", "sine44_stereo.wav");
  // A long file shows the ring's steady throughput rather than the cost of opening.
  measure("WAV", testwav::rampWav(44100, 44100 * 120), ma_encoding_format_wav,
          "120 s generated, 16-bit stereo 44.1 kHz");
  return 0;
}
