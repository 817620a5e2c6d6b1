// Decoding speed in times real time, for each format, on the memory path (the audio callback
// reading the memory decoder) and the stream path (a StreamDecoder's thread filling its ring
// while a reader drains it), with the stream path's open-to-first-frame time. Under Windows
// also M4A and WMA, which only stream (through Media Foundation). One line per format.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
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

#ifdef _WIN32
#include "engine/mf/media_foundation.h"
#include "engine/mf/open_stream_decoder.h"
#endif

namespace {

using Clock = std::chrono::steady_clock;
constexpr double kMinSeconds = 1.0;      // measure each case for at least this long
constexpr uint64_t kPeriodFrames = 960;  // what one 20 ms callback asks for at 48 kHz

struct Figure {
  double audioSeconds = 0;
  double wallSeconds = 0;
};

// The stream path also times each open up to the first frame drained, and what follows it.
struct StreamFigure : Figure {
  double firstFrameSeconds = 0;
  double coldFirstFrameSeconds = 0;  // the first open (Media Foundation loads its codec then)
  double bestFirstFrameSeconds = 1e9;
  int opens = 0;
};

using Opener = std::function<StreamDecoder::OpenResult(StreamDecoder&)>;

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

bool decodeThroughRing(const std::vector<uint8_t>& image, const Opener& open, StreamFigure& f) {
  auto start = Clock::now();
  StreamDecoder* decoder = StreamDecoder::create(std::make_unique<source::MemorySource>(image));
  if (!decoder || open(*decoder) != StreamDecoder::OpenResult::Ok) {
    if (decoder) decoder->release();
    return false;
  }
  LoadedTrack track;
  std::vector<float> out(kPeriodFrames * 2);
  uint64_t total = 0;
  double firstFrame = -1;
  StreamDecoder::DrainResult result = StreamDecoder::DrainResult::Full;
  while (result != StreamDecoder::DrainResult::Ended) {
    total += decoder->drain(track, out.data(), kPeriodFrames, result);
    if (total > 0 && firstFrame < 0) {
      firstFrame = std::chrono::duration<double>(Clock::now() - start).count();
    }
    if (result == StreamDecoder::DrainResult::Underrun) std::this_thread::yield();
  }
  const uint32_t rate = decoder->sampleRate;
  decoder->release();
  if (firstFrame < 0) return false;
  f.wallSeconds += std::chrono::duration<double>(Clock::now() - start).count();
  f.audioSeconds += static_cast<double>(total) / rate;
  if (f.opens++ == 0) f.coldFirstFrameSeconds = firstFrame;
  f.firstFrameSeconds += firstFrame;
  f.bestFirstFrameSeconds = std::min(f.bestFirstFrameSeconds, firstFrame);
  return true;
}

void printStream(const StreamFigure& f, const std::string& what) {
  const double firstMs = f.firstFrameSeconds * 1000 / f.opens;
  std::printf(
      "stream %7.1fx (%7.1fx after the first frame)   first frame %6.2f ms (best %6.2f, cold "
      "%6.2f)   %s, %d opens\n",
      f.audioSeconds / f.wallSeconds, f.audioSeconds / (f.wallSeconds - f.firstFrameSeconds),
      firstMs, f.bestFirstFrameSeconds * 1000, f.coldFirstFrameSeconds * 1000, what.c_str(),
      f.opens);
}

void measure(const char* label, const std::vector<uint8_t>& image, ma_encoding_format format,
             const std::string& what) {
  Figure memory;
  StreamFigure stream;
  const Opener open = [format](StreamDecoder& d) { return d.openMiniaudio(format); };
  while (stream.wallSeconds < kMinSeconds) {
    if (!decodeThroughRing(image, open, stream)) return;
  }
  while (memory.wallSeconds < kMinSeconds) {
    if (!decodeFromMemory(image, format, memory)) return;
  }
  std::printf("%-4s memory %8.1fx   ", label, memory.audioSeconds / memory.wallSeconds);
  printStream(stream, what);
}

std::vector<uint8_t> fixture(const char* label, const std::string& file) {
  std::vector<uint8_t> image = testsupport::readBytes(TWK_SOURCE_DIR "/tests/data/" + file);
  if (image.empty()) std::printf("%-4s missing %s\n", label, file.c_str());
  return image;
}

void run(const char* label, const std::string& file) {
  std::vector<uint8_t> image = fixture(label, "audio/" + file);
  if (image.empty()) return;
  measure(label, image, decoding::encodingFormatForPath(std::wstring(file.begin(), file.end())),
          file);
}

#ifdef _WIN32
// Stream path only: the loader never gives these files a memory image.
void runMediaFoundation(const char* label, const std::string& file) {
  std::vector<uint8_t> image = fixture(label, "mf/" + file);
  if (image.empty()) return;
  StreamFigure stream;
  while (stream.wallSeconds < kMinSeconds) {
    if (!decodeThroughRing(image, mf::openStreamDecoder, stream)) {
      std::printf("%-4s cannot open %s\n", label, file.c_str());
      return;
    }
  }
  std::printf("%-4s memory         -   ", label);
  printStream(stream, file);
}
#endif

}  // namespace

int main() {
  std::printf(
      "Times real time; the stream figure includes the open and the thread start. First frame: "
      "from the open to the first frame drained.\n");
  run("MP3", "sine44_stereo.mp3");
  run("FLAC", "sine48_stereo.flac");
  run("WAV", "sine44_stereo.wav");
  // A long file shows the ring's steady throughput rather than the cost of opening.
  measure("WAV", testwav::rampWav(44100, 44100 * 120), ma_encoding_format_wav,
          "120 s generated, 16-bit stereo 44.1 kHz");
#ifdef _WIN32
  const auto start = Clock::now();
  if (!mf::mediaFoundation()) {
    std::printf("M4A, WMA: Media Foundation is not available\n");
    return 1;
  }
  std::printf("Media Foundation start-up %.1f ms (once per process, not in the figures)\n",
              std::chrono::duration<double>(Clock::now() - start).count() * 1000);
  runMediaFoundation("M4A", "stereo.m4a");
  runMediaFoundation("WMA", "stereo.wma");
#endif
  return 0;
}
