#include "net/radio/aac_decoder.h"

#include <mfapi.h>
#include <mferror.h>

#include <algorithm>
#include <cstring>
#include <new>

#include "base/scoped_win.h"
#include "engine/radio_ring.h"
#include "net/http/error_text.h"

using Microsoft::WRL::ComPtr;

namespace radio {

namespace {

constexpr uint32_t kAdtsPayload = 1;
constexpr uint32_t kNoProfileLevel = 0xFE;
constexpr DWORD kMinOutputBytes = 65536;
constexpr uint32_t kMaxChannels = 32;
constexpr uint32_t kFramesPerAacFrame = 1024;
// Outputs taken per input frame at most: a transform that keeps answering with empty output
// must not hold the thread.
constexpr int kMaxOutputsPerFrame = 64;

int16_t fromFloat(float value) {
  const float scaled = value * 32768.0f;
  if (!(scaled > -32768.0f)) return -32768;  // NaN too
  if (scaled >= 32767.0f) return 32767;
  return int16_t(scaled);
}

}  // namespace

std::unique_ptr<AacDecoder> AacDecoder::create(const AdtsHeader& header, std::wstring& error) {
  error.clear();
  const mf::Functions* mf = mf::mediaFoundation();
  if (!mf) {
    error = kAacNeedsFeaturePack;
    return nullptr;
  }
  std::unique_ptr<AacDecoder> decoder(new (std::nothrow) AacDecoder);
  if (!decoder) {
    error = http::kOutOfMemoryText;
    return nullptr;
  }
  decoder->mf_ = mf;
  const HRESULT hr = decoder->open(header);
  if (FAILED(hr)) {
    error = hr == E_OUTOFMEMORY ? http::kOutOfMemoryText : kAacCannotDecode;
    return nullptr;
  }
  return decoder;
}

HRESULT AacDecoder::open(const AdtsHeader& header) noexcept {
  format_ = header;
  const MFT_REGISTER_TYPE_INFO input = {MFMediaType_Audio, MFAudioFormat_AAC};
  IMFActivate** raw = nullptr;
  UINT32 count = 0;
  HRESULT hr = mf_->enumTransforms(MFT_CATEGORY_AUDIO_DECODER,
                                   MFT_ENUM_FLAG_SYNCMFT | MFT_ENUM_FLAG_SORTANDFILTER, &input,
                                   nullptr, &raw, &count);
  base::ScopedCoMem<IMFActivate*> activates(raw);
  if (SUCCEEDED(hr) && count > 0) {
    hr = raw[0]->ActivateObject(IID_PPV_ARGS(&transform_));
  } else if (SUCCEEDED(hr)) {
    hr = MF_E_TOPO_CODEC_NOT_FOUND;
  }
  for (UINT32 i = 0; raw && i < count; ++i) raw[i]->Release();
  if (FAILED(hr)) return hr;

  ComPtr<IMFMediaType> type;
  if (FAILED(hr = mf_->createMediaType(&type))) return hr;
  const std::array<uint8_t, 14> userData = aacUserData(header);
  if (FAILED(hr = type->SetGUID(MF_MT_MAJOR_TYPE, MFMediaType_Audio)) ||
      FAILED(hr = type->SetGUID(MF_MT_SUBTYPE, MFAudioFormat_AAC)) ||
      FAILED(hr = type->SetUINT32(MF_MT_AUDIO_SAMPLES_PER_SECOND, header.sampleRate)) ||
      FAILED(hr = type->SetUINT32(MF_MT_AUDIO_NUM_CHANNELS, header.channels)) ||
      FAILED(hr = type->SetUINT32(MF_MT_AUDIO_BITS_PER_SAMPLE, 16)) ||
      FAILED(hr = type->SetUINT32(MF_MT_AAC_PAYLOAD_TYPE, kAdtsPayload)) ||
      FAILED(hr = type->SetUINT32(MF_MT_AAC_AUDIO_PROFILE_LEVEL_INDICATION, kNoProfileLevel)) ||
      FAILED(hr = type->SetBlob(MF_MT_USER_DATA, userData.data(), UINT32(userData.size()))) ||
      FAILED(hr = transform_->SetInputType(0, type.Get(), 0)) || FAILED(hr = chooseOutputType())) {
    return hr;
  }

  MFT_OUTPUT_STREAM_INFO info = {};
  if (FAILED(hr = transform_->GetOutputStreamInfo(0, &info))) return hr;
  providesSamples_ = (info.dwFlags & MFT_OUTPUT_STREAM_PROVIDES_SAMPLES) != 0;
  if (!providesSamples_ && (FAILED(hr = mf_->createSample(&output_)) ||
                            FAILED(hr = mf_->createMemoryBuffer(
                                       std::max(kMinOutputBytes, info.cbSize), &outputBuffer_)) ||
                            FAILED(hr = output_->AddBuffer(outputBuffer_.Get())))) {
    return hr;
  }
  if (FAILED(hr = transform_->ProcessMessage(MFT_MESSAGE_NOTIFY_BEGIN_STREAMING, 0)) ||
      FAILED(hr = transform_->ProcessMessage(MFT_MESSAGE_NOTIFY_START_OF_STREAM, 0))) {
    return hr;
  }
  return S_OK;
}

// The first 16-bit PCM type the transform offers, else its first 32-bit float one.
HRESULT AacDecoder::chooseOutputType() noexcept {
  ComPtr<IMFMediaType> pcm;
  ComPtr<IMFMediaType> floats;
  for (DWORD i = 0; !pcm; ++i) {
    ComPtr<IMFMediaType> type;
    if (FAILED(transform_->GetOutputAvailableType(0, i, &type))) break;
    GUID subtype = GUID_NULL;
    UINT32 bits = 0;
    if (FAILED(type->GetGUID(MF_MT_SUBTYPE, &subtype)) ||
        FAILED(type->GetUINT32(MF_MT_AUDIO_BITS_PER_SAMPLE, &bits))) {
      continue;
    }
    if (subtype == MFAudioFormat_PCM && bits == 16) pcm = type;
    if (subtype == MFAudioFormat_Float && bits == 32 && !floats) floats = type;
  }
  ComPtr<IMFMediaType> chosen = pcm ? pcm : floats;
  if (!chosen) return MF_E_INVALIDMEDIATYPE;
  HRESULT hr = transform_->SetOutputType(0, chosen.Get(), 0);
  if (FAILED(hr)) return hr;
  UINT32 rate = 0;
  UINT32 channels = 0;
  if (FAILED(hr = chosen->GetUINT32(MF_MT_AUDIO_SAMPLES_PER_SECOND, &rate)) ||
      FAILED(hr = chosen->GetUINT32(MF_MT_AUDIO_NUM_CHANNELS, &channels))) {
    return hr;
  }
  if (rate < 1 || rate > RadioRing::kMaxSampleRate || channels < 1 || channels > kMaxChannels) {
    return MF_E_INVALIDMEDIATYPE;
  }
  float_ = !pcm;
  rate_ = rate;
  channels_ = channels;
  return S_OK;
}

HRESULT AacDecoder::feed(const std::vector<uint8_t>& frame) noexcept {
  ComPtr<IMFMediaBuffer> buffer;
  ComPtr<IMFSample> sample;
  HRESULT hr = mf_->createMemoryBuffer(DWORD(frame.size()), &buffer);
  if (FAILED(hr)) return hr;
  BYTE* data = nullptr;
  if (FAILED(hr = buffer->Lock(&data, nullptr, nullptr))) return hr;
  std::memcpy(data, frame.data(), frame.size());
  buffer->Unlock();
  const LONGLONG duration = LONGLONG{kFramesPerAacFrame} * 10000000 / format_.sampleRate;
  if (FAILED(hr = buffer->SetCurrentLength(DWORD(frame.size()))) ||
      FAILED(hr = mf_->createSample(&sample)) || FAILED(hr = sample->AddBuffer(buffer.Get())) ||
      FAILED(hr = sample->SetSampleTime(time_)) ||
      FAILED(hr = sample->SetSampleDuration(duration)) ||
      FAILED(hr = transform_->ProcessInput(0, sample.Get(), 0))) {
    return hr;
  }
  time_ += duration;
  return S_OK;
}

AacDecoder::Result AacDecoder::decode(const std::vector<uint8_t>& frame,
                                      const DeliverPcm& deliver) {
  HRESULT hr = feed(frame);
  if (hr == MF_E_NOTACCEPTING) {
    const Result drained = drain(deliver);
    if (drained != Result::Ok) return drained;
    hr = feed(frame);
  }
  if (FAILED(hr)) return Result::Failed;
  return drain(deliver);
}

AacDecoder::Result AacDecoder::drain(const DeliverPcm& deliver) {
  for (int i = 0; i < kMaxOutputsPerFrame; ++i) {
    MFT_OUTPUT_DATA_BUFFER data = {};
    if (!providesSamples_) {
      outputBuffer_->SetCurrentLength(0);
      data.pSample = output_.Get();
    }
    DWORD status = 0;
    const HRESULT hr = transform_->ProcessOutput(0, 1, &data, &status);
    if (data.pEvents) data.pEvents->Release();
    ComPtr<IMFSample> provided;
    if (providesSamples_) provided.Attach(data.pSample);
    if (hr == MF_E_TRANSFORM_NEED_MORE_INPUT) return Result::Ok;
    if (hr == MF_E_TRANSFORM_STREAM_CHANGE) {
      if (FAILED(chooseOutputType())) return Result::Failed;
      continue;
    }
    if (FAILED(hr) || !data.pSample) return Result::Failed;

    ComPtr<IMFMediaBuffer> buffer;
    if (FAILED(data.pSample->ConvertToContiguousBuffer(&buffer))) return Result::Failed;
    BYTE* bytes = nullptr;
    DWORD length = 0;
    if (FAILED(buffer->Lock(&bytes, nullptr, &length))) return Result::Failed;
    uint32_t frames = 0;
    try {
      frames = convert(bytes, length);
    } catch (...) {
      buffer->Unlock();
      throw;
    }
    buffer->Unlock();
    if (frames > 0 && !deliver(pcm_.data(), frames, rate_)) return Result::Stopped;
  }
  return Result::Failed;
}

// Left = channel 0, right = channel 1 (channel 0 again for mono).
uint32_t AacDecoder::convert(const uint8_t* data, uint32_t bytes) {
  const uint32_t sampleBytes = float_ ? 4 : 2;
  const uint32_t frameBytes = sampleBytes * channels_;
  const uint32_t frames = bytes / frameBytes;
  pcm_.resize(size_t{frames} * 2);
  const uint32_t right = channels_ > 1 ? 1 : 0;
  for (uint32_t f = 0; f < frames; ++f) {
    const uint8_t* at = data + size_t{f} * frameBytes;
    for (uint32_t side = 0; side < 2; ++side) {
      const uint8_t* sample = at + (side ? right : 0) * sampleBytes;
      int16_t value;
      if (float_) {
        float v;
        std::memcpy(&v, sample, sizeof v);
        value = fromFloat(v);
      } else {
        std::memcpy(&value, sample, sizeof value);
      }
      pcm_[size_t{f} * 2 + side] = value;
    }
  }
  return frames;
}

void AacDecoder::flush() noexcept {
  if (transform_) transform_->ProcessMessage(MFT_MESSAGE_COMMAND_FLUSH, 0);
}

}  // namespace radio
