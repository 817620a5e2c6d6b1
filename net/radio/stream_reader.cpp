#include "net/radio/stream_reader.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace radio {

namespace {

constexpr size_t kDiscardPiece = 4096;
constexpr uint32_t kPcmFrames = 1152;

}  // namespace

StreamReader::StreamReader(uint32_t metaint, uint32_t codepage, Receive receive)
    : demuxer_(metaint, codepage), receive_(std::move(receive)), readBuffer_(kReadBytes) {}

bool StreamReader::step() {
  if (ended_) return false;
  size_t got = 0;
  if (!receive_ || !receive_(readBuffer_.data(), readBuffer_.size(), got) || got == 0) {
    ended_ = true;
    return false;
  }
  got = std::min(got, readBuffer_.size());
  // What the decoder took is dropped once it is at least half the buffer.
  if (audioPos_ > 0 && audioPos_ >= audio_.size() / 2) {
    audio_.erase(audio_.begin(), audio_.begin() + ptrdiff_t(audioPos_));
    audioPos_ = 0;
  }
  demuxer_.push(readBuffer_.data(), got, audio_);
  return true;
}

void StreamReader::consumeAudio() {
  audio_.clear();
  audioPos_ = 0;
}

size_t StreamReader::serve(uint8_t* out, size_t bytes) {
  const size_t n = std::min(bytes, audioSize());
  if (n == 0) return 0;
  std::memcpy(out, audio(), n);
  if (historyEnabled_) {
    if (history_.size() + n > kMaxHistory) {
      historyEnabled_ = false;
      std::vector<uint8_t>().swap(history_);
    } else {
      history_.insert(history_.end(), audio(), audio() + n);
    }
  }
  audioPos_ += n;
  sinceAudio_ += n;
  return n;
}

size_t StreamReader::read(uint8_t* buffer, size_t bytes) {
  const size_t want = std::min(bytes, readLimit_);
  size_t served = 0;
  while (served < want) {
    if (sinceAudio_ >= kMaxBytesWithoutAudio) {
      starved_ = true;
      break;
    }
    if (audioSize() > 0) {
      served += serve(buffer + served,
                      std::min<uint64_t>(want - served, kMaxBytesWithoutAudio - sinceAudio_));
      continue;
    }
    if (served > kEnoughForOneRead || !step()) break;
  }
  return served;
}

bool StreamReader::seek(int64_t offset, ma_seek_origin origin) {
  if (origin == ma_seek_origin_end) return false;
  if (origin == ma_seek_origin_start) {
    if (!historyEnabled_ || offset < 0) return false;
    offset -= int64_t(history_.size());
  }
  if (offset >= 0) {
    uint8_t scratch[kDiscardPiece];
    for (uint64_t left = uint64_t(offset); left > 0;) {
      if (sinceAudio_ >= kMaxBytesWithoutAudio) {
        starved_ = true;
        return false;
      }
      if (audioSize() == 0 && !step()) return false;
      left -= serve(scratch, size_t(std::min<uint64_t>(left, sizeof scratch)));
    }
    return true;
  }
  const uint64_t back = uint64_t(-(offset + 1)) + 1;
  if (back > history_.size()) return false;
  // The last bytes served go back in front of the audio not served yet.
  const auto from = history_.end() - ptrdiff_t(back);
  if (audioPos_ >= back) {
    audioPos_ -= size_t(back);
    std::copy(from, history_.end(), audio_.begin() + ptrdiff_t(audioPos_));
  } else {
    audio_.erase(audio_.begin(), audio_.begin() + ptrdiff_t(audioPos_));
    audio_.insert(audio_.begin(), from, history_.end());
    audioPos_ = 0;
  }
  history_.erase(from, history_.end());
  return true;
}

void StreamReader::startDecoding() {
  historyEnabled_ = false;
  std::vector<uint8_t>().swap(history_);
  readLimit_ = kDecodingReadLimit;
}

ma_result StreamReader::onRead(ma_decoder* decoder, void* buffer, size_t bytes, size_t* bytesRead) {
  auto* reader = static_cast<StreamReader*>(decoder->pUserData);
  const size_t n = reader->read(static_cast<uint8_t*>(buffer), bytes);
  if (bytesRead) *bytesRead = n;
  return n > 0 ? MA_SUCCESS : MA_AT_END;
}

ma_result StreamReader::onSeek(ma_decoder* decoder, ma_int64 offset, ma_seek_origin origin) {
  auto* reader = static_cast<StreamReader*>(decoder->pUserData);
  return reader->seek(offset, origin) ? MA_SUCCESS : MA_BAD_SEEK;
}

Mp3Outcome decodeMp3(StreamReader& reader, const DeliverPcm& deliver,
                     const std::function<void()>& afterRead) {
  ma_decoder_config config = ma_decoder_config_init(ma_format_s16, 2, 0);
  config.encodingFormat = ma_encoding_format_mp3;
  ma_decoder decoder;
  if (ma_decoder_init(StreamReader::onRead, StreamReader::onSeek, &reader, &config, &decoder) !=
      MA_SUCCESS) {
    return reader.ended() ? Mp3Outcome::Ended : Mp3Outcome::NotMp3;
  }
  reader.startDecoding();
  reader.audioDecoded();
  int16_t pcm[kPcmFrames * 2];
  for (;;) {
    ma_uint64 got = 0;
    ma_decoder_read_pcm_frames(&decoder, pcm, kPcmFrames, &got);
    afterRead();
    if (got == 0) break;
    reader.audioDecoded();
    if (!deliver(pcm, uint32_t(got), decoder.outputSampleRate)) break;
  }
  ma_decoder_uninit(&decoder);
  return Mp3Outcome::Ended;
}

}  // namespace radio
