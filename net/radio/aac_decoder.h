// Whole ADTS frames decoded by Media Foundation's AAC decoder transform into 16-bit stereo.
// One decoder serves one format (profile, sampling index, channel configuration).
#pragma once

#include <mftransform.h>
#include <wrl/client.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/mf/media_foundation.h"
#include "net/radio/adts.h"
#include "net/radio/stream_reader.h"

namespace radio {

inline constexpr wchar_t kAacNeedsFeaturePack[] = L"AAC stations need the Media Feature Pack";
inline constexpr wchar_t kAacCannotDecode[] = L"This AAC stream can't be decoded";

class AacDecoder {
 public:
  enum class Result { Ok, Failed, Stopped };

  // A transform set up for the format of `header`; null with the error text.
  static std::unique_ptr<AacDecoder> create(const AdtsHeader& header, std::wstring& error);

  const AdtsHeader& format() const { return format_; }

  // Decodes one frame (header included) and hands what comes out to `deliver` at the
  // transform's output rate. Stopped when `deliver` said false; Failed when the transform
  // refused the frame or failed while draining (flush() it then).
  Result decode(const std::vector<uint8_t>& frame, const DeliverPcm& deliver);
  void flush() noexcept;

 private:
  AacDecoder() = default;
  HRESULT open(const AdtsHeader& header) noexcept;
  HRESULT chooseOutputType() noexcept;
  HRESULT feed(const std::vector<uint8_t>& frame) noexcept;
  Result drain(const DeliverPcm& deliver);
  uint32_t convert(const uint8_t* data, uint32_t bytes);

  const mf::Functions* mf_ = nullptr;
  Microsoft::WRL::ComPtr<IMFTransform> transform_;
  AdtsHeader format_;
  bool providesSamples_ = false;
  Microsoft::WRL::ComPtr<IMFSample> output_;
  Microsoft::WRL::ComPtr<IMFMediaBuffer> outputBuffer_;
  bool float_ = false;
  uint32_t rate_ = 0;
  uint32_t channels_ = 0;
  LONGLONG time_ = 0;  // of the next input frame, in 100 ns units
  std::vector<int16_t> pcm_;
};

}  // namespace radio
