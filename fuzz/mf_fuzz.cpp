// Media Foundation decoding's own parsing of untrusted bytes. The first byte chooses:
// 0 the container probe (ASF sniff and DRM check), 1 the MP4 exact-length correction,
// 2 the sample unpacking and time arithmetic. The rest of the input is the data.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "engine/mf/frame_math.h"
#include "engine/mf/media_probe.h"
#include "engine/source/memory_source.h"

namespace {

uint32_t take32(const uint8_t*& data, size_t& size) {
  uint32_t v = 0;
  for (int i = 0; i < 4 && size > 0; ++i, ++data, --size) v = v << 8 | *data;
  return v;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const uint8_t which = data[0] % 3;
  ++data;
  --size;
  if (which == 0) {
    source::MemorySource source(std::vector<uint8_t>(data, data + size));
    mf::probeContainer(source);
  } else if (which == 1) {
    const uint32_t rate = take32(data, size) % 384000 + 1;
    const uint64_t mfFrames = take32(data, size);
    source::MemorySource source(std::vector<uint8_t>(data, data + size));
    const uint64_t length = mf::correctMp4Length(source, rate, mfFrames);
    uint64_t exact = 0;
    if (length != mfFrames && (!mf::mp4ExactFrames(source, rate, exact) || exact != length)) {
      __builtin_trap();
    }
  } else {
    const uint32_t channels = take32(data, size) % 33;
    const uint32_t rate = take32(data, size) % 384000 + 1;
    uint64_t hns = take32(data, size);
    hns = hns << 32 | take32(data, size);
    const uint64_t frames = mf::framesFromHns(hns, rate);
    if (mf::hnsFromFrames(frames, rate) < 0) __builtin_trap();
    uint64_t skip = take32(data, size) % 4096;
    std::vector<float> out;
    const uint64_t available = channels ? size / (channels * sizeof(float)) : 0;
    const uint64_t appended = mf::appendStereo(data, available, channels, skip, out);
    if (out.size() != appended * 2) __builtin_trap();
  }
  return 0;
}
