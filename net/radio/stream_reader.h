// The audio side of one station connection: network reads go through the ICY demultiplexer,
// the audio bytes wait in a buffer for the decoder, and miniaudio's MP3 decoder pulls them
// through a read and a seek procedure. A live stream cannot seek, but the decoder looks back a
// little while it opens; the bytes served so far are kept (up to 256 KiB) so that it can.
// Portable: the network read is a callback.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "miniaudio.h"
#include "net/radio/icy_demuxer.h"

namespace radio {

class StreamReader {
 public:
  static constexpr size_t kReadBytes = 16384;
  static constexpr size_t kMaxHistory = 262144;
  // What the MP3 decoder may take per read once it plays, so that it decodes as data comes.
  static constexpr size_t kDecodingReadLimit = 2048;
  // A read that has served more than this does not wait for the network again.
  static constexpr size_t kEnoughForOneRead = 4095;
  // Bytes the decoder may take without producing audio before the stream counts as not MP3
  // (garbage would otherwise be skipped for as long as the station sends it).
  static constexpr uint64_t kMaxBytesWithoutAudio = 262144;

  // One network read into `buffer` of `capacity` bytes: false, or true with 0 bytes, ends the
  // stream (the shell also answers false once the stream is stopping).
  using Receive = std::function<bool(uint8_t* buffer, size_t capacity, size_t& got)>;

  StreamReader(uint32_t metaint, uint32_t codepage, Receive receive);

  // One network read through the demultiplexer. False (and ended) when it fails.
  bool step();
  bool ended() const { return ended_; }

  // The audio not taken yet.
  const uint8_t* audio() const { return audio_.data() + audioPos_; }
  size_t audioSize() const { return audio_.size() - audioPos_; }
  // Drops the audio not taken yet (the AAC path moves it into its framer first).
  void consumeAudio();

  std::deque<std::wstring> takeTitles() { return demuxer_.takeTitles(); }

  // miniaudio's procedures; the decoder's user data is the reader.
  static ma_result onRead(ma_decoder* decoder, void* buffer, size_t bytes, size_t* bytesRead);
  static ma_result onSeek(ma_decoder* decoder, ma_int64 offset, ma_seek_origin origin);

  // Direct forms of the procedures.
  size_t read(uint8_t* buffer, size_t bytes);
  bool seek(int64_t offset, ma_seek_origin origin);

  // The decoder has opened: no more looking back, small reads.
  void startDecoding();
  // The decoder produced audio: the garbage guard starts again.
  void audioDecoded() { sinceAudio_ = 0; }
  // The guard tripped: the decoder took kMaxBytesWithoutAudio bytes and made nothing of them.
  bool starved() const { return starved_; }

 private:
  size_t serve(uint8_t* out, size_t bytes);

  IcyDemuxer demuxer_;
  Receive receive_;
  std::vector<uint8_t> readBuffer_;
  std::vector<uint8_t> audio_;
  size_t audioPos_ = 0;
  bool ended_ = false;
  bool historyEnabled_ = true;
  std::vector<uint8_t> history_;
  size_t readLimit_ = SIZE_MAX;
  uint64_t sinceAudio_ = 0;
  bool starved_ = false;
};

// Decodes the reader's MP3 stream to 16-bit stereo until the stream ends, `deliver` says
// false, or the guard trips. `afterRead` runs after every decoder read (the shell posts the
// pending titles there). NotMp3 when the decoder could not open while data still came.
enum class Mp3Outcome { Ended, NotMp3 };
using DeliverPcm = std::function<bool(const int16_t* frames, uint32_t count, uint32_t rate)>;
Mp3Outcome decodeMp3(StreamReader& reader, const DeliverPcm& deliver,
                     const std::function<void()>& afterRead);

}  // namespace radio
