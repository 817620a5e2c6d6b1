#include "engine/mf/media_reader.h"

#include <mfapi.h>
#include <mferror.h>

#include <algorithm>
#include <cstring>
#include <new>

#include "engine/mf/frame_math.h"
#include "engine/mf/media_foundation.h"
#include "engine/mf/media_probe.h"
#include "engine/mf/prop_variant.h"

namespace mf {
namespace {

using Microsoft::WRL::ComPtr;

constexpr DWORD kAudioStream = static_cast<DWORD>(MF_SOURCE_READER_FIRST_AUDIO_STREAM);
constexpr DWORD kAllStreams = static_cast<DWORD>(MF_SOURCE_READER_ALL_STREAMS);
constexpr DWORD kMediaSource = static_cast<DWORD>(MF_SOURCE_READER_MEDIASOURCE);
constexpr DWORD kEndFlags = DWORD{MF_SOURCE_READERF_ERROR} | DWORD{MF_SOURCE_READERF_ENDOFSTREAM} |
                            DWORD{MF_SOURCE_READERF_CURRENTMEDIATYPECHANGED};
constexpr uint32_t kMaxSampleRate = 384000;
constexpr uint32_t kMaxChannels = 32;
constexpr int kSeekAttempts = 4;
// Reads in a row that bring neither a frame nor progress through the stream (no sample, an
// empty buffer) before the data is taken as ended: a broken decoder must not spin forever.
constexpr int kMaxIdleReads = 1024;

// The locked bytes of a media buffer, unlocked again on scope exit.
class BufferLock {
 public:
  explicit BufferLock(IMFMediaBuffer* buffer) noexcept : buffer_(buffer) {
    result_ = buffer_->Lock(&data_, nullptr, &length_);
  }
  ~BufferLock() {
    if (SUCCEEDED(result_)) buffer_->Unlock();
  }
  BufferLock(const BufferLock&) = delete;
  BufferLock& operator=(const BufferLock&) = delete;

  HRESULT result() const noexcept { return result_; }
  const uint8_t* data() const noexcept { return data_; }
  DWORD length() const noexcept { return length_; }

 private:
  IMFMediaBuffer* buffer_;
  BYTE* data_ = nullptr;
  DWORD length_ = 0;
  HRESULT result_;
};

}  // namespace

OpenOutcome MediaReader::open(source::ByteSource& source,
                              std::unique_ptr<MediaReader>& reader) noexcept {
  reader.reset();
  const Probe probe = probeContainer(source);
  if (probe == Probe::Protected) return OpenOutcome::Protected;
  if (probe == Probe::OutOfMemory) return OpenOutcome::OutOfMemory;
  if (!mediaFoundation()) return OpenOutcome::NeedsFeaturePack;
  if (probe == Probe::NoMovie) return OpenOutcome::NotPlayable;

  std::unique_ptr<MediaReader> opened(new (std::nothrow) MediaReader());
  if (!opened) return OpenOutcome::OutOfMemory;
  const bool wma = probe == Probe::Wma;
  opened->preRoll_ = wma ? kWmaPreRoll : kDefaultPreRoll;
  const HRESULT hr = opened->start(source, wma ? kWmaContentType : kMp4ContentType, !wma);
  if (FAILED(hr)) return hr == E_OUTOFMEMORY ? OpenOutcome::OutOfMemory : OpenOutcome::NotPlayable;
  reader = std::move(opened);
  return OpenOutcome::Ok;
}

MediaReader::~MediaReader() {
  reader_.Reset();
  if (stream_) stream_->detach();
}

HRESULT MediaReader::start(source::ByteSource& source, const wchar_t* contentType,
                           bool mp4) noexcept {
  const Functions& api = *mediaFoundation();
  stream_.Attach(FileStream::create(source));
  if (!stream_) return E_OUTOFMEMORY;

  ComPtr<IMFByteStream> byteStream;
  HRESULT hr = api.createByteStreamOnStream(stream_.Get(), &byteStream);
  if (FAILED(hr)) return hr;
  ComPtr<IMFAttributes> attributes;
  hr = byteStream.As(&attributes);
  if (SUCCEEDED(hr)) hr = attributes->SetString(MF_BYTESTREAM_CONTENT_TYPE, contentType);
  if (SUCCEEDED(hr)) hr = api.createSourceReaderFromByteStream(byteStream.Get(), nullptr, &reader_);
  if (FAILED(hr)) return hr;

  hr = reader_->SetStreamSelection(kAllStreams, FALSE);
  if (SUCCEEDED(hr)) hr = reader_->SetStreamSelection(kAudioStream, TRUE);
  ComPtr<IMFMediaType> wanted;
  if (SUCCEEDED(hr)) hr = api.createMediaType(&wanted);
  if (SUCCEEDED(hr)) hr = wanted->SetGUID(MF_MT_MAJOR_TYPE, MFMediaType_Audio);
  if (SUCCEEDED(hr)) hr = wanted->SetGUID(MF_MT_SUBTYPE, MFAudioFormat_Float);
  if (SUCCEEDED(hr)) hr = wanted->SetUINT32(MF_MT_AUDIO_NUM_CHANNELS, 2);
  if (FAILED(hr)) return hr;
  if (FAILED(reader_->SetCurrentMediaType(kAudioStream, nullptr, wanted.Get()))) {
    // No down-mix to stereo on offer: take the native channels and keep the first two.
    hr = wanted->DeleteItem(MF_MT_AUDIO_NUM_CHANNELS);
    if (SUCCEEDED(hr)) hr = reader_->SetCurrentMediaType(kAudioStream, nullptr, wanted.Get());
    if (FAILED(hr)) return hr;
  }

  ComPtr<IMFMediaType> current;
  hr = reader_->GetCurrentMediaType(kAudioStream, &current);
  if (FAILED(hr)) return hr;
  GUID subtype = GUID_NULL;
  UINT32 bits = 0, rate = 0, channels = 0;
  if (FAILED(current->GetGUID(MF_MT_SUBTYPE, &subtype)) || subtype != MFAudioFormat_Float ||
      FAILED(current->GetUINT32(MF_MT_AUDIO_BITS_PER_SAMPLE, &bits)) || bits != 32 ||
      FAILED(current->GetUINT32(MF_MT_AUDIO_SAMPLES_PER_SECOND, &rate)) || rate < 1 ||
      rate > kMaxSampleRate || FAILED(current->GetUINT32(MF_MT_AUDIO_NUM_CHANNELS, &channels)) ||
      channels < 1 || channels > kMaxChannels) {
    return MF_E_INVALIDMEDIATYPE;
  }
  sampleRate_ = rate;
  channels_ = channels;

  PropVariant duration;
  if (SUCCEEDED(reader_->GetPresentationAttribute(kMediaSource, MF_PD_DURATION, duration.put())) &&
      duration.get().vt == VT_UI8) {
    lengthFrames_ = framesFromHns(duration.get().uhVal.QuadPart, rate);
  }
  if (mp4) lengthFrames_ = correctMp4Length(source, rate, lengthFrames_);
  if (lengthFrames_ == 0) return E_FAIL;

  PropVariant characteristics;
  if (SUCCEEDED(reader_->GetPresentationAttribute(
          kMediaSource, MF_SOURCE_READER_MEDIASOURCE_CHARACTERISTICS, characteristics.put())) &&
      characteristics.get().vt == VT_UI4) {
    seekable_ = (characteristics.get().ulVal & MFMEDIASOURCE_CAN_SEEK) != 0;
  }

  if (!readSample()) return FAILED(lastError_) ? lastError_ : E_FAIL;
  return S_OK;
}

bool MediaReader::readSample() noexcept {
  sample_.clear();
  readIndex_ = 0;
  for (int idle = 0; idle < kMaxIdleReads;) {
    DWORD flags = 0;
    LONGLONG timestamp = 0;
    ComPtr<IMFSample> sample;
    HRESULT hr = reader_->ReadSample(kAudioStream, 0, nullptr, &flags, &timestamp, &sample);
    if (FAILED(hr)) {
      lastError_ = hr;
      return false;
    }
    if (flags & kEndFlags) return false;
    if (!sample) {
      ++idle;
      continue;
    }
    ComPtr<IMFMediaBuffer> buffer;
    hr = sample->ConvertToContiguousBuffer(&buffer);
    if (FAILED(hr)) {
      lastError_ = hr;
      return false;
    }
    BufferLock lock(buffer.Get());
    if (FAILED(lock.result())) {
      lastError_ = lock.result();
      return false;
    }
    const uint64_t frames = lock.length() / (uint64_t{channels_} * sizeof(float));
    const uint64_t at =
        timestamp < 1 ? 0 : framesFromHns(static_cast<uint64_t>(timestamp), sampleRate_);
    if (!originKnown_) {
      originKnown_ = true;
      origin_ = at;
    }
    if (firstAfterSeek_) {
      firstAfterSeek_ = false;
      samplePosition_ = at > origin_ ? at - origin_ : 0;
      skip_ = seekTarget_ > samplePosition_ ? seekTarget_ - samplePosition_ : 0;
    }
    try {
      if (appendStereo(lock.data(), frames, channels_, skip_, sample_) > 0) return true;
    } catch (...) {
      lastError_ = E_OUTOFMEMORY;
      return false;
    }
    // Frames skipped after a seek are progress; an empty buffer is not.
    idle = frames > 0 ? 0 : idle + 1;
  }
  return false;
}

uint64_t MediaReader::read(float* out, uint64_t frames) noexcept {
  if (delivered_ >= lengthFrames_) return 0;
  frames = std::min(frames, lengthFrames_ - delivered_);
  uint64_t copied = 0;
  while (copied < frames) {
    const uint64_t available = sample_.size() / 2 - readIndex_;
    if (available == 0) {
      if (atEnd_ || !readSample()) {
        atEnd_ = true;
        break;
      }
      continue;
    }
    const uint64_t take = std::min(frames - copied, available);
    std::memcpy(out + copied * 2, sample_.data() + readIndex_ * 2,
                static_cast<size_t>(take) * 2 * sizeof(float));
    readIndex_ += take;
    copied += take;
  }
  delivered_ += copied;
  return copied;
}

bool MediaReader::seek(uint64_t frame) noexcept {
  const uint64_t target = std::min(frame, lengthFrames_);
  uint64_t position = target > preRoll_ ? target - preRoll_ : 0;
  for (int attempt = 1; attempt <= kSeekAttempts; ++attempt) {
    PropVariant at;
    PropVariant::setInt64(at, hnsFromFrames(position, sampleRate_));
    sample_.clear();
    readIndex_ = 0;
    if (FAILED(reader_->SetCurrentPosition(GUID_NULL, at.get()))) {
      atEnd_ = true;
      return false;
    }
    atEnd_ = false;
    firstAfterSeek_ = true;
    seekTarget_ = target;
    delivered_ = target;
    if (!readSample()) {
      atEnd_ = true;
      return true;
    }
    if (samplePosition_ <= target || position == 0) break;
    // The reader landed after the target (key frames, a coarse index): start earlier by what
    // it overshot, plus the pre-roll again.
    const uint64_t back = samplePosition_ + preRoll_ - target;
    position = back < position ? position - back : 0;
  }
  return true;
}

}  // namespace mf
