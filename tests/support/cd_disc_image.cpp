#include "tests/support/cd_disc_image.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <thread>

#include "cd/cd_text.h"
#include "cd/system_errors.h"

namespace testcd {

namespace {

constexpr uint32_t kFramesPerSector = cd::kSectorBytes / 4;
constexpr uint32_t kInvalidFunction = 1;  // what a drive says to a format it has nothing for
constexpr auto kBlockLimit = std::chrono::seconds(30);

}  // namespace

class ImageDevice : public cd::Device {
 public:
  explicit ImageDevice(std::shared_ptr<DiscImage> image) : image_(std::move(image)) {}
  cd::ReadResult readSectors(uint32_t first, uint32_t count, uint8_t* buffer) override {
    if (cancelled_.load()) return cd::ReadResult::Gone;
    return image_->read(first, count, buffer);
  }
  void cancel() override { cancelled_.store(true); }

 private:
  std::shared_ptr<DiscImage> image_;
  std::atomic<bool> cancelled_{false};
};

class ImageDrive : public cd::Drive {
 public:
  ImageDrive(std::shared_ptr<DiscImage> image, const std::atomic<bool>& cancelled)
      : image_(std::move(image)), cancelled_(cancelled) {}

  bool readToc(uint8_t format, std::vector<uint8_t>& out, uint32_t& error) override {
    out.clear();
    if (format == cd::kTocFormat && image_->blockToc) {
      // Stands for a device call that only CancelSynchronousIo ends.
      image_->tocEntered_.store(true);
      const auto deadline = std::chrono::steady_clock::now() + kBlockLimit;
      while (!cancelled_.load() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
      error = cd::syserr::kOperationAborted;
      return false;
    }
    if (format == cd::kTocFormat && image_->tocError) {
      error = image_->tocError;
      return false;
    }
    const std::vector<uint8_t>& answer = format == cd::kTocFormat ? image_->toc : image_->cdText;
    if (answer.empty()) {
      error = kInvalidFunction;
      return false;
    }
    out = answer;
    return true;
  }

  std::unique_ptr<cd::Device> takeDevice() override { return image_->device(); }

 private:
  std::shared_ptr<DiscImage> image_;
  const std::atomic<bool>& cancelled_;
};

int16_t toneSample(uint32_t track, uint64_t frame, int channel) {
  const double frequency = 110.0 * track + (channel ? 55.0 : 0.0);
  const double phase =
      2.0 * 3.14159265358979323846 * frequency * static_cast<double>(frame) / 44100;
  return static_cast<int16_t>(std::lround(12000.0 * std::sin(phase)));
}

std::vector<uint8_t> tocBytes(const std::vector<ImageTrack>& tracks, uint32_t leadOut) {
  std::vector<uint8_t> out(4);
  auto entry = [&out](uint8_t control, uint8_t number, uint32_t start) {
    const uint8_t bytes[8] = {0,
                              static_cast<uint8_t>(0x10 | control),
                              number,
                              0,
                              static_cast<uint8_t>(start >> 24),
                              static_cast<uint8_t>(start >> 16),
                              static_cast<uint8_t>(start >> 8),
                              static_cast<uint8_t>(start)};
    out.insert(out.end(), bytes, bytes + 8);
  };
  for (const ImageTrack& t : tracks)
    entry(t.data ? 0x04 : 0x00, static_cast<uint8_t>(t.number), t.start);
  entry(0x00, 0xAA, leadOut);
  const size_t length = out.size() - 2;
  out[0] = static_cast<uint8_t>(length >> 8);
  out[1] = static_cast<uint8_t>(length);
  out[2] = tracks.empty() ? 0 : static_cast<uint8_t>(tracks.front().number);
  out[3] = tracks.empty() ? 0 : static_cast<uint8_t>(tracks.back().number);
  return out;
}

std::vector<Pack> textPacks(uint8_t type, const std::vector<std::string>& texts,
                            uint8_t firstSequence) {
  // The texts back to back, each with its NUL; every byte remembers its slot and position.
  std::vector<uint8_t> stream;
  std::vector<uint8_t> slot, position;
  for (size_t i = 0; i < texts.size(); ++i) {
    for (size_t k = 0; k <= texts[i].size(); ++k) {
      stream.push_back(k < texts[i].size() ? static_cast<uint8_t>(texts[i][k]) : 0);
      slot.push_back(static_cast<uint8_t>(i));
      position.push_back(static_cast<uint8_t>(std::min<size_t>(k, 15)));
    }
  }
  std::vector<Pack> packs;
  for (size_t at = 0; at < stream.size(); at += 12) {
    Pack p{};
    p[0] = type;
    p[1] = slot[at];
    p[2] = static_cast<uint8_t>(firstSequence + packs.size());
    p[3] = position[at];
    for (size_t k = 0; k < 12 && at + k < stream.size(); ++k) p[4 + k] = stream[at + k];
    seal(p);
    packs.push_back(p);
  }
  return packs;
}

Pack sizeInfoPack(uint8_t characterCode, uint8_t sequence) {
  Pack p{};
  p[0] = cd::kPackSizeInfo;
  p[2] = sequence;
  p[4] = characterCode;
  seal(p);
  return p;
}

void seal(Pack& pack, bool zeroCrc) {
  const uint16_t crc = zeroCrc ? 0 : static_cast<uint16_t>(~cd::cdTextCrc(pack.data(), 16));
  pack[16] = static_cast<uint8_t>(crc >> 8);
  pack[17] = static_cast<uint8_t>(crc);
}

std::vector<uint8_t> cdTextBlock(const std::vector<Pack>& packs) {
  std::vector<uint8_t> out(4);
  for (const Pack& p : packs) out.insert(out.end(), p.begin(), p.end());
  const size_t length = out.size() - 2;
  out[0] = static_cast<uint8_t>(length >> 8);
  out[1] = static_cast<uint8_t>(length);
  return out;
}

std::vector<uint8_t> encodeCdText(const std::vector<std::string>& titles,
                                  const std::vector<std::string>& performers, bool zeroCrc) {
  std::vector<Pack> packs = textPacks(cd::kPackTitle, titles);
  std::vector<Pack> more =
      textPacks(cd::kPackPerformer, performers, static_cast<uint8_t>(packs.size()));
  packs.insert(packs.end(), more.begin(), more.end());
  for (Pack& p : packs) seal(p, zeroCrc);
  return cdTextBlock(packs);
}

std::shared_ptr<DiscImage> DiscImage::make(std::vector<ImageTrack> tracks, uint32_t leadOut) {
  return std::shared_ptr<DiscImage>(new DiscImage(std::move(tracks), leadOut));
}

DiscImage::DiscImage(std::vector<ImageTrack> tracks, uint32_t leadOut)
    : toc(tocBytes(tracks, leadOut)), tracks_(std::move(tracks)), leadOut_(leadOut) {}

void DiscImage::sectorBytes(uint32_t sector, uint8_t* out) const {
  const ImageTrack* owner = nullptr;
  for (const ImageTrack& t : tracks_)
    if (t.start <= sector) owner = &t;
  if (!owner || owner->data) {
    std::memset(out, 0x5A, cd::kSectorBytes);
    return;
  }
  const uint64_t frame0 = uint64_t{sector - owner->start} * kFramesPerSector;
  for (uint32_t f = 0; f < kFramesPerSector; ++f) {
    for (int c = 0; c < 2; ++c) {
      const auto v = static_cast<uint16_t>(toneSample(owner->number, frame0 + f, c));
      out[f * 4 + c * 2] = static_cast<uint8_t>(v);
      out[f * 4 + c * 2 + 1] = static_cast<uint8_t>(v >> 8);
    }
  }
}

void DiscImage::failSector(uint32_t sector, uint32_t times) {
  std::lock_guard<std::mutex> lock(mutex_);
  failures_[sector] = times;
}

void DiscImage::ejectAt(uint32_t sector) {
  std::lock_guard<std::mutex> lock(mutex_);
  ejectSector_ = sector;
}

uint32_t DiscImage::readCalls() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return readCalls_;
}

uint32_t DiscImage::largestRead() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return largestRead_;
}

std::unique_ptr<cd::Device> DiscImage::device() {
  return std::make_unique<ImageDevice>(shared_from_this());
}

cd::DriveOpener DiscImage::opener() {
  std::shared_ptr<DiscImage> self = shared_from_this();
  return [self](wchar_t, const std::atomic<bool>& cancelled) -> std::unique_ptr<cd::Drive> {
    if (self->openFails) return nullptr;
    return std::make_unique<ImageDrive>(self, cancelled);
  };
}

cd::ReadResult DiscImage::read(uint32_t first, uint32_t count, uint8_t* buffer) {
  std::lock_guard<std::mutex> lock(mutex_);
  ++readCalls_;
  largestRead_ = std::max(largestRead_, count);
  const uint64_t end = uint64_t{first} + count;
  if (ejected_ || end > ejectSector_) {
    ejected_ = true;
    return cd::ReadResult::Gone;
  }
  // What a failed read leaves in the buffer must never be played.
  std::memset(buffer, 0xEE, size_t{count} * cd::kSectorBytes);
  bool failed = end > leadOut_;
  for (auto& [sector, left] : failures_) {
    if (sector >= first && sector < end && left > 0) {
      --left;
      failed = true;
    }
  }
  if (failed) return cd::ReadResult::Retry;
  for (uint32_t i = 0; i < count; ++i)
    sectorBytes(first + i, buffer + size_t{i} * cd::kSectorBytes);
  return cd::ReadResult::Ok;
}

std::shared_ptr<DiscImage> mixedModeDisc() {
  auto disc = DiscImage::make({{1, 0, true}, {2, 300}, {3, 340}, {4, 430}}, 460);
  disc->cdText = encodeCdText({"Generated Disc", "", "Second", "", "Fourth"},
                              {"The Testers", "", "", "Guest", "\t"});
  return disc;
}

}  // namespace testcd
