#include "net/radio/icy_demuxer.h"

#include <algorithm>
#include <string_view>

#include "library/tags.h"

namespace radio {

std::optional<std::wstring> parseStreamTitle(const uint8_t* block, size_t length,
                                             uint32_t codepage) {
  if (!block) return std::nullopt;
  const std::string_view text(reinterpret_cast<const char*>(block), length);
  constexpr std::string_view kKey = "StreamTitle='";
  const size_t key = text.find(kKey);
  if (key == std::string_view::npos) return std::nullopt;
  std::string_view value = text.substr(key + kKey.size());
  const size_t end = value.find("';");
  if (end != std::string_view::npos) {
    value = value.substr(0, end);
  } else {
    while (!value.empty() && (value.back() == '\0' || value.back() == '\'')) value.remove_suffix(1);
  }
  return decodeLegacyText(reinterpret_cast<const uint8_t*>(value.data()), value.size(), codepage);
}

IcyDemuxer::IcyDemuxer(uint32_t metaint, uint32_t codepage)
    : metaint_(metaint), codepage_(codepage), audioLeft_(metaint) {}

void IcyDemuxer::push(const uint8_t* bytes, size_t length, std::vector<uint8_t>& audio) {
  if (!bytes) return;
  if (metaint_ == 0) {
    audio.insert(audio.end(), bytes, bytes + length);
    return;
  }
  size_t pos = 0;
  while (pos < length) {
    if (metadataLeft_ > 0) {
      const size_t n = std::min<size_t>(metadataLeft_, length - pos);
      metadata_.insert(metadata_.end(), bytes + pos, bytes + pos + n);
      pos += n;
      metadataLeft_ -= uint32_t(n);
      if (metadataLeft_ == 0) {
        if (auto title = parseStreamTitle(metadata_.data(), metadata_.size(), codepage_)) {
          if (titles_.size() == kMaxPendingTitles) titles_.pop_front();
          titles_.push_back(std::move(*title));
        }
        metadata_.clear();
        audioLeft_ = metaint_;
      }
    } else if (audioLeft_ > 0) {
      const size_t n = std::min<size_t>(audioLeft_, length - pos);
      audio.insert(audio.end(), bytes + pos, bytes + pos + n);
      pos += n;
      audioLeft_ -= uint32_t(n);
    } else {
      metadataLeft_ = uint32_t(bytes[pos++]) * 16;
      if (metadataLeft_ == 0) audioLeft_ = metaint_;
    }
  }
}

std::deque<std::wstring> IcyDemuxer::takeTitles() {
  std::deque<std::wstring> out;
  out.swap(titles_);
  return out;
}

}  // namespace radio
