// A generated audio CD behind the cd::Device and cd::Drive seams: raw sectors of a known tone
// per track, the drive's table of contents, a CD-Text block encoded here with its CRCs, and
// injected failures (a sector that fails a number of times, an ejection, a table of contents
// that blocks until cancelled). Portable, shared by the CD, loader and player tests.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "cd/device.h"
#include "cd/drive.h"

namespace testcd {

struct ImageTrack {
  uint32_t number = 0;
  uint32_t start = 0;  // first sector
  bool data = false;
};

// The tone of an audio track: left and right channels of a frame counted from the track's
// start. Every track has its own frequencies; the right channel differs from the left.
int16_t toneSample(uint32_t track, uint64_t frame, int channel);

// The drive's format-0 answer for these entries and a lead-out at `leadOut`.
std::vector<uint8_t> tocBytes(const std::vector<ImageTrack>& tracks, uint32_t leadOut);

// CD-Text packs of 18 bytes. textPacks cuts the texts of one pack type (index = slot, 0 the
// album) into packs with the given first sequence number; seal writes a pack's CRC (or zeros);
// block prefixes the drive's 4-byte header.
using Pack = std::array<uint8_t, 18>;
std::vector<Pack> textPacks(uint8_t type, const std::vector<std::string>& texts,
                            uint8_t firstSequence = 0);
Pack sizeInfoPack(uint8_t characterCode, uint8_t sequence);
void seal(Pack& pack, bool zeroCrc = false);
std::vector<uint8_t> cdTextBlock(const std::vector<Pack>& packs);
// Titles then performers, sealed.
std::vector<uint8_t> encodeCdText(const std::vector<std::string>& titles,
                                  const std::vector<std::string>& performers, bool zeroCrc = false);

class DiscImage : public std::enable_shared_from_this<DiscImage> {
 public:
  static std::shared_ptr<DiscImage> make(std::vector<ImageTrack> tracks, uint32_t leadOut);

  // What the drive answers; tests may replace them. An empty CD-Text fails its read.
  std::vector<uint8_t> toc;
  std::vector<uint8_t> cdText;
  uint32_t tocError = 0;   // non-zero: the table of contents fails with this system error
  bool openFails = false;  // the drive cannot be opened
  bool blockToc = false;   // the table-of-contents read waits until cancelled

  const std::vector<ImageTrack>& tracks() const { return tracks_; }
  uint32_t leadOut() const { return leadOut_; }
  // The bytes a sector holds: the tone of its audio track, a pattern in a data track.
  void sectorBytes(uint32_t sector, uint8_t* out) const;

  // The next `times` reads that include the sector fail with Retry.
  void failSector(uint32_t sector, uint32_t times);
  // From the first read that reaches `sector` on, every read answers Gone.
  void ejectAt(uint32_t sector);

  uint32_t readCalls() const;
  uint32_t largestRead() const;
  // A blocking table-of-contents read has begun.
  bool tocEntered() const { return tocEntered_.load(); }

  std::unique_ptr<cd::Device> device();
  // Opens any letter over this image.
  cd::DriveOpener opener();

 private:
  friend class ImageDevice;
  friend class ImageDrive;
  DiscImage(std::vector<ImageTrack> tracks, uint32_t leadOut);
  cd::ReadResult read(uint32_t first, uint32_t count, uint8_t* buffer);

  std::vector<ImageTrack> tracks_;
  uint32_t leadOut_;
  mutable std::mutex mutex_;
  std::map<uint32_t, uint32_t> failures_;
  uint32_t ejectSector_ = ~0u;
  bool ejected_ = false;
  uint32_t readCalls_ = 0;
  uint32_t largestRead_ = 0;
  std::atomic<bool> tocEntered_{false};
};

// The disc the scenario tests share: a data track 1 (mixed mode), then audio tracks 2, 3 and 4
// of 40, 90 and 30 sectors back to back, and CD-Text: the album and its performer, titles for
// tracks 2 and 4, and a guest performer for track 3 (no title) and, by a TAB, for track 4.
std::shared_ptr<DiscImage> mixedModeDisc();

}  // namespace testcd
