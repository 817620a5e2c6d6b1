#include "engine/track_loader.h"

#include <algorithm>
#include <memory>
#include <new>

#include "base/messages.h"
#include "base/scoped_win.h"
#include "cd/drive_win.h"
#include "engine/decoder_io.h"
#include "engine/load_path.h"
#include "engine/memory_decoder.h"
#include "engine/mf/open_stream_decoder.h"
#include "engine/source/file_source.h"
#include "engine/source/serialized_source.h"
#include "engine/stream_decoder.h"
#include "library/tags.h"
#include "net/http/open_url.h"

namespace {

// The memory path reads in pieces of this size.
constexpr uint64_t kMemoryReadChunk = 0x1000000;

enum class MemoryOutcome { Loaded, Stream, Failed };

// Reads a local file whole into the track and opens its memory decoder. Stream means the file
// is too large (or memory too short) and goes to the stream path instead.
MemoryOutcome loadIntoMemory(const std::wstring& path, LoadedTrack& track, uint8_t& error) {
  base::ScopedHandle file(CreateFileW(path.c_str(), GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!file) {
    error = kLoadCantOpen;
    return MemoryOutcome::Failed;
  }
  HANDLE raw = file.get();
  LARGE_INTEGER size;
  if (!GetFileSizeEx(raw, &size)) {
    error = kLoadCantRead;
    return MemoryOutcome::Failed;
  }
  if (size.QuadPart == 0) {
    error = kLoadEmpty;
    return MemoryOutcome::Failed;
  }
  const uint64_t total = static_cast<uint64_t>(size.QuadPart);
  if (total > kMaxMemoryImageBytes) return MemoryOutcome::Stream;
  std::unique_ptr<uint8_t[]> image(new (std::nothrow) uint8_t[total]);
  if (!image) return MemoryOutcome::Stream;

  uint64_t done = 0;
  while (done < total) {
    DWORD want = static_cast<DWORD>(std::min(total - done, kMemoryReadChunk));
    DWORD got = 0;
    if (!ReadFile(raw, image.get() + done, want, &got, nullptr) || got == 0) {
      error = kLoadCantRead;
      return MemoryOutcome::Failed;
    }
    done += got;
  }
  file.reset();

  track.memoryImage = std::move(image);
  track.memorySize = total;
  if (!openMemoryDecoder(track, decoding::encodingFormatForPath(path))) {
    error = kLoadNotPlayable;
    return MemoryOutcome::Failed;
  }
  return MemoryOutcome::Loaded;
}

// The track source of a CD track path; its audio is the WAV the source presents.
uint8_t openCdSource(const std::wstring& path, std::unique_ptr<source::ByteSource>& source) {
  cd::OpenTrackError error = cd::OpenTrackError::NoDisc;
  source = cd::openCdTrack(path, error);
  if (source) return kLoadOk;
  return error == cd::OpenTrackError::OutOfMemory ? kLoadOutOfMemory : kLoadNoCd;
}

uint8_t errorForOutcome(StreamDecoder::OpenResult outcome) {
  switch (outcome) {
    case StreamDecoder::OpenResult::Ok:
      return kLoadOk;
    case StreamDecoder::OpenResult::MediumLost:
      return kLoadNoCd;
    case StreamDecoder::OpenResult::OutOfMemory:
      return kLoadOutOfMemory;
    case StreamDecoder::OpenResult::NeedsFeaturePack:
      return kLoadNeedsFeaturePack;
    case StreamDecoder::OpenResult::Protected:
      return kLoadProtected;
    case StreamDecoder::OpenResult::NotPlayable:
      break;
  }
  return kLoadNotPlayable;
}

enum class DecodeWith { Miniaudio, MediaFoundation, Mp3ByteSeek };

// `message` is the network text of a failing URL.
uint8_t openStreamed(const std::wstring& path, LoadedTrack& track, std::wstring& message) {
  std::unique_ptr<source::ByteSource> source;
  ma_encoding_format format = decoding::encodingFormatForPath(path);
  DecodeWith with = DecodeWith::Miniaudio;
  if (isHttpUrl(path)) {
    http::OpenedUrl opened = http::openUrlSource(path);
    if (!opened.source) {
      message = std::move(opened.error);
      return kLoadNetworkError;
    }
    with = opened.useMediaFoundation ? DecodeWith::MediaFoundation : DecodeWith::Mp3ByteSeek;
    source = std::move(opened.source);
    if (with == DecodeWith::MediaFoundation) {
      // Media Foundation reads from threads of its own; the range source takes one at a time.
      source = std::make_unique<source::SerializedSource>(std::move(source));
    }
  } else if (isCdTrackPath(path)) {
    const uint8_t error = openCdSource(path, source);
    if (error != kLoadOk) return error;
    format = ma_encoding_format_wav;
  } else {
    uint32_t openError = 0;
    source = source::FileSource::open(path, openError);
    if (!source) return openError == ERROR_HANDLE_EOF ? kLoadEmpty : kLoadCantOpen;
    if (selectsMediaFoundation(path)) with = DecodeWith::MediaFoundation;
  }

  StreamDecoder* decoder = StreamDecoder::create(std::move(source));
  if (!decoder) return kLoadOutOfMemory;
  StreamDecoder::OpenResult outcome = StreamDecoder::OpenResult::NotPlayable;
  switch (with) {
    case DecodeWith::Miniaudio:
      outcome = decoder->openMiniaudio(format);
      break;
    case DecodeWith::MediaFoundation:
      outcome = mf::openStreamDecoder(*decoder);
      break;
    case DecodeWith::Mp3ByteSeek:
      outcome = decoder->openMp3ByteSeek();
      break;
  }
  const uint8_t error = errorForOutcome(outcome);
  if (error != kLoadOk) {
    decoder->release();
    return error;
  }
  track.streamDecoder = decoder;
  track.sampleRate = decoder->sampleRate;
  track.lengthFrames = decoder->lengthFrames;
  return kLoadOk;
}

}  // namespace

void openRequestedTrack(const LoadRequest& request, LoadResult& result) noexcept {
  try {
    const std::wstring& path = request.path;
    LoadedTrackPtr track(createLoadedTrack(request.trackId));
    if (!track) {
      result.error = kLoadOutOfMemory;
      return;
    }
    const bool url = isHttpUrl(path);
    const bool cd = isCdTrackPath(path);
    MemoryOutcome outcome = MemoryOutcome::Stream;
    uint8_t error = kLoadOk;
    if (!request.forceStreaming && !selectsMediaFoundation(path) && !url && !cd) {
      outcome = loadIntoMemory(path, *track, error);
    }
    if (outcome == MemoryOutcome::Stream) {
      error = openStreamed(path, *track, result.message);
      if (error == kLoadOk) result.streamed = true;
    }
    if (error != kLoadOk) {
      result.error = error;
      return;
    }

    const uint32_t codepage = static_cast<uint32_t>(request.tagCodepage);
    if (track->memoryImage) {
      const size_t size = static_cast<size_t>(track->memorySize);
      const size_t tail = std::min<size_t>(size, kTagTailBytes);
      result.tags = parseTags(track->memoryImage.get(), size,
                              track->memoryImage.get() + size - tail, tail, codepage);
    } else if (!url && !cd) {
      result.tags = readTags(path, codepage, true);
    }
    result.track = std::move(track);
  } catch (...) {
    // Only allocation throws here.
    result.track.reset();
    result.tags = TagInfo();
    result.streamed = false;
    result.error = kLoadOutOfMemory;
  }
}

bool LoadQueue::start(HWND window, UINT message) noexcept {
  if (thread_.running()) return false;
  window_ = window;
  message_ = message;
  return thread_.start([this] { threadMain(); });
}

bool LoadQueue::submit(LoadKind kind, const std::wstring& path, int32_t trackId,
                       bool forceStreaming, int32_t tagCodepage) noexcept {
  try {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      LoadRequest& slot = slots_[kind == LoadKind::PrepareNext ? 1 : 0];
      slot.pending = false;
      slot.path = path;
      slot.kind = kind;
      slot.trackId = trackId;
      slot.forceStreaming = forceStreaming;
      slot.tagCodepage = tagCodepage;
      slot.pending = true;
    }
    wake_.notify_one();
    return true;
  } catch (...) {
    return false;
  }
}

void LoadQueue::shutdown() noexcept {
  if (!thread_.running()) return;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  wake_.notify_all();
  thread_.join();
}

void LoadQueue::threadMain() noexcept {
  try {
    run();
  } catch (...) {
    // Nothing leaves the thread; the queue simply stops answering.
  }
}

void LoadQueue::run() {
  for (;;) {
    LoadRequest request;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      wake_.wait(lock, [this] { return stop_ || slots_[0].pending || slots_[1].pending; });
      if (stop_) return;
      LoadRequest& slot = slots_[0].pending ? slots_[0] : slots_[1];
      request = std::move(slot);
      slot.pending = false;
    }

    std::unique_ptr<LoadResult> result(new (std::nothrow) LoadResult());
    if (!result) continue;
    result->trackId = request.trackId;
    result->kind = request.kind;
    openRequestedTrack(request, *result);
    result->path = std::move(request.path);
    postRecord(window_, message_, result);  // freed here when the post fails
  }
}
