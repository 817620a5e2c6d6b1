// The network rules on arbitrary input: URL validity and extension, request paths,
// Content-Range with the status judgement, Content-Length, the media-type choice, and the MP3
// stream information over a source of the input bytes. The first byte picks the parser (low
// bits) and how the text is read (bit 4: UTF-16 pairs instead of one unit per byte).
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "base/text.h"
#include "engine/mp3_stream_info.h"
#include "engine/source/memory_source.h"
#include "net/http/range_rules.h"
#include "net/http/response_rules.h"
#include "net/http/url.h"

namespace {

void check(bool condition) {
  if (!condition) __builtin_trap();
}

std::wstring textOf(const uint8_t* data, size_t size, bool pairs) {
  std::wstring text;
  if (pairs) {
    for (size_t i = 0; i + 1 < size; i += 2)
      text.push_back(static_cast<wchar_t>(data[i] | data[i + 1] << 8));
  } else {
    for (size_t i = 0; i < size; ++i) text.push_back(static_cast<wchar_t>(data[i]));
  }
  return text;
}

uint64_t numberOf(const uint8_t* data, size_t size) {
  uint64_t n = 0;
  for (size_t i = 0; i < size && i < 8; ++i) n = n << 8 | data[i];
  return n;
}

void urlRules(const std::wstring& text) {
  const bool valid = text::isValidUrl(text);
  check(!valid || text.size() <= 2048);
  const std::wstring extension = text::urlExtension(text);
  check(extension.empty() || extension[0] == L'.');
  const std::wstring path =
      http::requestPath(text.substr(0, text.size() / 2), text.substr(text.size() / 2));
  check(!path.empty());
}

void rangeRules(const std::wstring& text, uint64_t offset, uint8_t selector) {
  http::ContentRange range;
  if (http::parseContentRange(text, range)) {
    check(range.total == http::kUnknownLength || range.last < range.total);
  }
  static const uint32_t kStatuses[] = {200, 206, 416, 404};
  const uint32_t status = kStatuses[selector & 3];
  const bool ranged = selector & 4;
  const http::Judgement j = http::judgeResponse(status, ranged, offset, text);
  if (j.outcome == http::RangeOutcome::Ranged) {
    check(status == 206 && ranged && range.first == offset && range.last >= offset);
  }
  check(!http::invalidResponseText(status).empty());
  const uint64_t size = j.total;
  check(!http::isTailRead(offset, offset, size));
  if (http::isTailRead(offset, 0, size)) check(size - offset <= http::kTailBytes);
  http::chooseRoute(selector & 8, offset ^ 0x5555, offset, selector & 16);
}

void headerRules(const std::wstring& text, const std::wstring& url) {
  uint64_t length = 0;
  if (http::parseContentLength(text, length))
    check(!text.empty() && text[0] >= L'0' && text[0] <= L'9');
  const std::wstring type = http::mediaType(text);
  check(type.size() <= text.size() && type.find(L';') == std::wstring::npos);
  http::urlSelectsMediaFoundation(text, url);
}

void mp3Info(const uint8_t* data, size_t size) {
  for (size_t i = 0; i + 4 <= size && i < 64; ++i) {
    Mp3FrameHeader h;
    if (parseMp3FrameHeader(data + i, h)) check(h.frameLength > 3 && h.sampleRate >= 8000);
  }
  source::MemorySource src(std::vector<uint8_t>(data, data + size));
  Mp3StreamInfo info;
  if (!findMp3StreamInfo(src, info)) return;
  check(info.firstFrameOffset < size);
  check(info.samplesPerFrame == 1152 || info.samplesPerFrame == 576);
  for (uint64_t audio :
       {uint64_t(size - info.firstFrameOffset), uint64_t(~0ull - 1), source::kUnknownSize}) {
    const uint64_t length = mp3LengthInFrames(info, audio);
    check(length <= ~0ull / 1000 || info.frameCount != 0);
    for (uint64_t target : {uint64_t(0), uint64_t(1), length / 3, length, length + 1}) {
      uint64_t offset = 0;
      if (mp3SeekOffset(info, size, length, target, offset)) check(offset <= size);
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const uint8_t kind = data[0];
  ++data;
  --size;
  const bool pairs = kind & 0x10;
  switch ((kind & 0x0F) % 5) {
    case 0:
      urlRules(textOf(data, size, pairs));
      break;
    case 1:
      if (size >= 9) rangeRules(textOf(data + 9, size - 9, pairs), numberOf(data, 8), data[8]);
      break;
    case 2:
      headerRules(textOf(data, size, pairs), textOf(data + size / 2, size - size / 2, pairs));
      break;
    default:
      mp3Info(data, size);
      break;
  }
  return 0;
}
