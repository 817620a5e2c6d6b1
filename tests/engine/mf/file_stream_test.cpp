// mf::FileStream called directly, as Media Foundation calls it.
#include "engine/mf/file_stream.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "engine/source/memory_source.h"

namespace {

using mf::FileStream;

std::vector<uint8_t> counting(size_t n) {
  std::vector<uint8_t> bytes(n);
  for (size_t i = 0; i < n; ++i) bytes[i] = static_cast<uint8_t>(i);
  return bytes;
}

// Serves its bytes up to `failAt`, then fails every read.
class FailingSource : public source::MemorySource {
 public:
  FailingSource(std::vector<uint8_t> bytes, uint64_t failAt)
      : MemorySource(std::move(bytes)), failAt_(failAt) {}
  bool readAt(uint64_t offset, uint8_t* buffer, uint64_t count, uint64_t& bytesRead) override {
    bytesRead = 0;
    if (offset >= failAt_) return false;
    return MemorySource::readAt(offset, buffer, std::min(count, failAt_ - offset), bytesRead);
  }

 private:
  uint64_t failAt_;
};

LARGE_INTEGER move(int64_t v) {
  LARGE_INTEGER l;
  l.QuadPart = v;
  return l;
}

uint64_t position(IStream* s) {
  ULARGE_INTEGER at{};
  EXPECT_EQ(S_OK, s->Seek(move(0), STREAM_SEEK_CUR, &at));
  return at.QuadPart;
}

TEST(FileStream, ReadsSeeksAndStatsAsAReadOnlyStreamAndDeletesItselfAtZero) {
  source::MemorySource source(counting(100));
  FileStream* stream = FileStream::create(source);
  ASSERT_NE(nullptr, stream);
  EXPECT_EQ(1, FileStream::live());

  void* out = nullptr;
  for (REFIID iid : {IID_IUnknown, IID_ISequentialStream, IID_IStream}) {
    ASSERT_EQ(S_OK, stream->QueryInterface(iid, &out));
    EXPECT_EQ(static_cast<IStream*>(stream), out);
  }
  EXPECT_EQ(E_NOINTERFACE, stream->QueryInterface(IID_IPersist, &out));
  EXPECT_EQ(nullptr, out);
  EXPECT_EQ(E_POINTER, stream->QueryInterface(IID_IStream, nullptr));
  // Three references from QueryInterface, one from create.
  EXPECT_EQ(3u, stream->Release());
  EXPECT_EQ(2u, stream->Release());
  EXPECT_EQ(1u, stream->Release());

  uint8_t buffer[16] = {};
  ULONG got = 99;
  EXPECT_EQ(S_OK, stream->Read(buffer, 10, &got));
  EXPECT_EQ(10u, got);
  EXPECT_EQ(9, buffer[9]);

  // Across the end: what is there, S_FALSE; at the end: nothing, S_FALSE.
  ULARGE_INTEGER at{};
  EXPECT_EQ(S_OK, stream->Seek(move(-5), STREAM_SEEK_END, &at));
  EXPECT_EQ(95u, at.QuadPart);
  EXPECT_EQ(S_FALSE, stream->Read(buffer, 10, &got));
  EXPECT_EQ(5u, got);
  EXPECT_EQ(99, buffer[4]);
  EXPECT_EQ(S_FALSE, stream->Read(buffer, 10, &got));
  EXPECT_EQ(0u, got);
  EXPECT_EQ(S_OK, stream->Read(buffer, 0, nullptr));

  // Origins; a negative result or an unknown origin leaves the position alone.
  EXPECT_EQ(S_OK, stream->Seek(move(40), STREAM_SEEK_SET, nullptr));
  EXPECT_EQ(S_OK, stream->Seek(move(-15), STREAM_SEEK_CUR, &at));
  EXPECT_EQ(25u, at.QuadPart);
  EXPECT_EQ(STG_E_INVALIDFUNCTION, stream->Seek(move(-26), STREAM_SEEK_CUR, &at));
  EXPECT_EQ(STG_E_INVALIDFUNCTION, stream->Seek(move(-101), STREAM_SEEK_END, nullptr));
  EXPECT_EQ(STG_E_INVALIDFUNCTION, stream->Seek(move(0), 3, nullptr));
  EXPECT_EQ(25u, position(stream));
  // Past the end is a valid position; reading there gives nothing.
  EXPECT_EQ(S_OK, stream->Seek(move(500), STREAM_SEEK_SET, nullptr));
  EXPECT_EQ(S_FALSE, stream->Read(buffer, 1, &got));
  EXPECT_EQ(0u, got);

  STATSTG stat;
  std::memset(&stat, 0xAB, sizeof stat);
  EXPECT_EQ(S_OK, stream->Stat(&stat, STATFLAG_NONAME));
  EXPECT_EQ(DWORD{STGTY_STREAM}, stat.type);
  EXPECT_EQ(100u, stat.cbSize.QuadPart);
  EXPECT_EQ(nullptr, stat.pwcsName);
  EXPECT_EQ(E_POINTER, stream->Stat(nullptr, STATFLAG_NONAME));

  ULARGE_INTEGER size{};
  IStream* clone = reinterpret_cast<IStream*>(1);
  EXPECT_EQ(STG_E_ACCESSDENIED, stream->Write(buffer, 1, &got));
  EXPECT_EQ(STG_E_ACCESSDENIED, stream->SetSize(size));
  EXPECT_EQ(E_NOTIMPL, stream->CopyTo(nullptr, size, nullptr, nullptr));
  EXPECT_EQ(S_OK, stream->Commit(STGC_DEFAULT));
  EXPECT_EQ(E_NOTIMPL, stream->Revert());
  EXPECT_EQ(STG_E_INVALIDFUNCTION, stream->LockRegion(size, size, LOCK_WRITE));
  EXPECT_EQ(STG_E_INVALIDFUNCTION, stream->UnlockRegion(size, size, LOCK_WRITE));
  EXPECT_EQ(E_NOTIMPL, stream->Clone(&clone));
  EXPECT_EQ(nullptr, clone);

  EXPECT_EQ(0u, stream->Release());
  EXPECT_EQ(0, FileStream::live());
}

TEST(FileStream, ReadFailuresKeepWhatArrivedAndADetachedStreamReadsNothing) {
  FailingSource source(counting(100), 30);
  FileStream* stream = FileStream::create(source);
  uint8_t buffer[64];
  ULONG got = 0;
  EXPECT_EQ(S_OK, stream->Read(buffer, 20, &got));
  EXPECT_EQ(S_OK, stream->Read(buffer, 20, &got));  // 10 good bytes, then the failure
  EXPECT_EQ(10u, got);
  EXPECT_EQ(29, buffer[9]);
  EXPECT_EQ(STG_E_READFAULT, stream->Read(buffer, 20, &got));
  EXPECT_EQ(0u, got);

  stream->Seek(move(0), STREAM_SEEK_SET, nullptr);
  stream->detach();
  EXPECT_EQ(STG_E_READFAULT, stream->Read(buffer, 1, &got));
  stream->Release();
}

}  // namespace
