#include "engine/mf/file_stream.h"

#include <cstring>
#include <limits>
#include <new>

namespace mf {

FileStream* FileStream::create(source::ByteSource& source) noexcept {
  return new (std::nothrow) FileStream(source);
}

FileStream::FileStream(source::ByteSource& source) : source_(&source), size_(source.size()) {}

void FileStream::detach() noexcept {
  std::lock_guard<std::mutex> lock(mutex_);
  source_ = nullptr;
}

HRESULT FileStream::QueryInterface(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  if (iid == IID_IUnknown || iid == IID_ISequentialStream || iid == IID_IStream) {
    *out = static_cast<IStream*>(this);
    AddRef();
    return S_OK;
  }
  *out = nullptr;
  return E_NOINTERFACE;
}

ULONG FileStream::AddRef() { return refCount_.fetch_add(1, std::memory_order_relaxed) + 1; }

ULONG FileStream::Release() {
  const ULONG left = refCount_.fetch_sub(1, std::memory_order_acq_rel) - 1;
  if (left == 0) delete this;
  return left;
}

HRESULT FileStream::Read(void* buffer, ULONG count, ULONG* read) {
  if (read) *read = 0;
  if (!buffer && count != 0) return STG_E_INVALIDPOINTER;
  std::lock_guard<std::mutex> lock(mutex_);
  auto* out = static_cast<uint8_t*>(buffer);
  ULONG done = 0;
  while (done < count && static_cast<uint64_t>(position_) < size_) {
    uint64_t got = 0;
    if (!source_ ||
        !source_->readAt(static_cast<uint64_t>(position_), out + done, count - done, got)) {
      if (done == 0) return STG_E_READFAULT;
      // What did arrive is good data; the failure shows on the next call.
      if (read) *read = done;
      return S_OK;
    }
    if (got == 0) break;
    done += static_cast<ULONG>(got);
    position_ += static_cast<int64_t>(got);
  }
  if (read) *read = done;
  return done == count ? S_OK : S_FALSE;
}

HRESULT FileStream::Write(const void*, ULONG, ULONG* written) {
  if (written) *written = 0;
  return STG_E_ACCESSDENIED;
}

HRESULT FileStream::Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* newPosition) {
  std::lock_guard<std::mutex> lock(mutex_);
  int64_t base = 0;
  switch (origin) {
    case STREAM_SEEK_SET:
      break;
    case STREAM_SEEK_CUR:
      base = position_;
      break;
    case STREAM_SEEK_END:
      // An unknown size (all ones) has no end to count from.
      if (size_ > static_cast<uint64_t>(std::numeric_limits<int64_t>::max())) {
        return STG_E_INVALIDFUNCTION;
      }
      base = static_cast<int64_t>(size_);
      break;
    default:
      return STG_E_INVALIDFUNCTION;
  }
  int64_t target = 0;
  if (__builtin_add_overflow(base, move.QuadPart, &target) || target < 0) {
    return STG_E_INVALIDFUNCTION;
  }
  position_ = target;
  if (newPosition) newPosition->QuadPart = static_cast<uint64_t>(target);
  return S_OK;
}

HRESULT FileStream::SetSize(ULARGE_INTEGER) { return STG_E_ACCESSDENIED; }

HRESULT FileStream::CopyTo(IStream*, ULARGE_INTEGER, ULARGE_INTEGER*, ULARGE_INTEGER*) {
  return E_NOTIMPL;
}

HRESULT FileStream::Commit(DWORD) { return S_OK; }

HRESULT FileStream::Revert() { return E_NOTIMPL; }

HRESULT FileStream::LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) {
  return STG_E_INVALIDFUNCTION;
}

HRESULT FileStream::UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) {
  return STG_E_INVALIDFUNCTION;
}

HRESULT FileStream::Stat(STATSTG* stat, DWORD) {
  if (!stat) return E_POINTER;
  std::memset(stat, 0, sizeof *stat);
  stat->type = STGTY_STREAM;
  stat->cbSize.QuadPart = size_;
  return S_OK;
}

HRESULT FileStream::Clone(IStream** stream) {
  if (stream) *stream = nullptr;
  return E_NOTIMPL;
}

}  // namespace mf
