// An IStream over a byte source, the way Media Foundation reads a track: read-only, with its
// own position, serialised because Media Foundation calls it from its own threads.
#pragma once

#include <objidl.h>

#include <atomic>
#include <cstdint>
#include <mutex>

#include "base/live_record_count.h"
#include "engine/source/byte_source.h"

namespace mf {

class FileStream final : public IStream, private LiveRecordCount<FileStream> {
 public:
  // The stream holds one reference for the caller; null when memory runs out. The source is
  // not owned: its holder keeps it alive at least until detach() has returned.
  static FileStream* create(source::ByteSource& source) noexcept;

  // Cuts the stream off its source: later reads fail. Waits for a read in progress, so the
  // source may be deleted afterwards even if Media Foundation still holds the stream.
  void detach() noexcept;

  using LiveRecordCount<FileStream>::live;

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;

  // ISequentialStream
  HRESULT STDMETHODCALLTYPE Read(void* buffer, ULONG count, ULONG* read) override;
  HRESULT STDMETHODCALLTYPE Write(const void* buffer, ULONG count, ULONG* written) override;

  // IStream
  HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER move, DWORD origin,
                                 ULARGE_INTEGER* newPosition) override;
  HRESULT STDMETHODCALLTYPE SetSize(ULARGE_INTEGER size) override;
  HRESULT STDMETHODCALLTYPE CopyTo(IStream* to, ULARGE_INTEGER count, ULARGE_INTEGER* read,
                                   ULARGE_INTEGER* written) override;
  HRESULT STDMETHODCALLTYPE Commit(DWORD flags) override;
  HRESULT STDMETHODCALLTYPE Revert() override;
  HRESULT STDMETHODCALLTYPE LockRegion(ULARGE_INTEGER offset, ULARGE_INTEGER count,
                                       DWORD type) override;
  HRESULT STDMETHODCALLTYPE UnlockRegion(ULARGE_INTEGER offset, ULARGE_INTEGER count,
                                         DWORD type) override;
  HRESULT STDMETHODCALLTYPE Stat(STATSTG* stat, DWORD flags) override;
  HRESULT STDMETHODCALLTYPE Clone(IStream** stream) override;

 private:
  explicit FileStream(source::ByteSource& source);
  ~FileStream() = default;
  FileStream(const FileStream&) = delete;
  FileStream& operator=(const FileStream&) = delete;

  std::atomic<ULONG> refCount_{1};
  source::ByteSource* source_;  // null once detached
  const uint64_t size_;
  int64_t position_ = 0;
  std::mutex mutex_;  // guards position_ and source_
};

}  // namespace mf
