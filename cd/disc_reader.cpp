#include "cd/disc_reader.h"

#include <new>
#include <vector>

#include "base/text.h"

namespace cd {

void readDisc(const DriveOpener& open, uint32_t codepage, const std::atomic<bool>& cancelled,
              DiscResult& result) {
  std::wstring name = L"drive ?:";
  name[6] = result.letter;
  std::unique_ptr<Drive> drive = open(result.letter, cancelled);
  if (!drive) {
    result.error = L"Can't open " + name;
    return;
  }
  std::vector<uint8_t> buffer;
  uint32_t error = 0;
  if (!drive->readToc(kTocFormat, buffer, error)) {
    result.error = (isMediumGoneError(error) ? L"No disc in " : L"Can't read the disc in ") + name;
    return;
  }
  if (!audioTracksFromToc(buffer.data(), buffer.size(), result.tracks)) {
    result.error = L"No audio CD in " + name;
    return;
  }
  if (cancelled.load()) return;
  if (drive->readToc(kCdTextFormat, buffer, error))
    decodeCdText(buffer.data(), buffer.size(), codepage, result.titles, result.performers);
}

bool DiscReader::start(int32_t id, wchar_t letter, uint32_t codepage, DriveOpener open, Post post) {
  cancel();
  try {
    cancelled_ = std::make_shared<std::atomic<bool>>(false);
  } catch (const std::bad_alloc&) {
    return false;
  }
  return thread_.start([id, letter = text::toUpperOrdinal(letter), codepage, open = std::move(open),
                        post = std::move(post), cancelled = cancelled_]() noexcept {
    try {
      auto result = std::make_unique<DiscResult>();
      result->id = id;
      result->letter = letter;
      readDisc(open, codepage, *cancelled, *result);
      if (!cancelled->load() && post(result.get())) result.release();
    } catch (const std::bad_alloc&) {
      // Nothing to report with: the player keeps waiting until another read replaces this one.
    }
  });
}

void DiscReader::cancel() {
  if (cancelled_) cancelled_->store(true);
  if (thread_.running()) {
    thread_.cancelSynchronousIo();
    thread_.join();
  }
  cancelled_.reset();
}

}  // namespace cd
