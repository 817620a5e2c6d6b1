// The local file source: sharing rules at open, the empty-file code, reads at and across the
// end, and a StreamDecoder reading a real file through it on its own thread.
#include <gtest/gtest.h>

#include <windows.h>

#include <chrono>
#include <thread>

#include "base/scoped_win.h"
#include "engine/loaded_track.h"
#include "engine/source/file_source.h"
#include "engine/stream_decoder.h"
#include "tests/support/files.h"
#include "tests/support/wav_writer.h"
#include "tests/support/win_test_support.h"

namespace {

using Handle = base::ScopedHandle;

Handle openRaw(const std::wstring& path, DWORD access, DWORD share, DWORD flags = 0) {
  return Handle(CreateFileW(path.c_str(), access, share, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL | flags, nullptr));
}

std::vector<uint8_t> counting(size_t n) {
  std::vector<uint8_t> out(n);
  for (size_t i = 0; i < n; ++i) out[i] = static_cast<uint8_t>(i * 3);
  return out;
}

TEST(FileSource, EmptyFileIsRefusedWith38AndLeftClosed) {
  testsupport::TempFolder dir;
  const std::wstring path = dir.path(L"empty.mp3");
  ASSERT_TRUE(testsupport::writeFile(path, std::string()));
  uint32_t error = 0;
  EXPECT_EQ(nullptr, source::FileSource::open(path, error));
  EXPECT_EQ(38u, error);
  // Nobody holds it any more: an exclusive open succeeds.
  EXPECT_TRUE(openRaw(path, GENERIC_READ | GENERIC_WRITE, 0));
}

TEST(FileSource, MissingFileGivesTheSystemError) {
  testsupport::TempFolder dir;
  uint32_t error = 0;
  EXPECT_EQ(nullptr, source::FileSource::open(dir.path(L"nothing.mp3"), error));
  EXPECT_EQ(static_cast<uint32_t>(ERROR_FILE_NOT_FOUND), error);
}

TEST(FileSource, ReadsStopAtTheSizeFixedWhenOpened) {
  testsupport::TempFolder dir;
  const std::wstring path = dir.path(L"data.bin");
  const std::vector<uint8_t> content = counting(1000);
  ASSERT_TRUE(testsupport::writeFile(path, content));
  uint32_t error = 1;
  auto src = source::FileSource::open(path, error);
  ASSERT_TRUE(src);
  EXPECT_EQ(0u, error);
  EXPECT_EQ(1000u, src->size());
  EXPECT_TRUE(src->seekable());
  EXPECT_FALSE(src->mediumLost());
  EXPECT_TRUE(src->contentType().empty());

  std::vector<uint8_t> buffer(2000, 0xEE);
  uint64_t got = 99;
  EXPECT_TRUE(src->readAt(0, buffer.data(), 1000, got));
  EXPECT_EQ(1000u, got);
  EXPECT_TRUE(std::equal(content.begin(), content.end(), buffer.begin()));

  got = 99;
  EXPECT_TRUE(src->readAt(990, buffer.data(), 100, got));  // spans the end
  EXPECT_EQ(10u, got);
  EXPECT_TRUE(std::equal(content.begin() + 990, content.end(), buffer.begin()));

  got = 99;
  EXPECT_TRUE(src->readAt(1000, buffer.data(), 10, got));  // at the size
  EXPECT_EQ(0u, got);
  got = 99;
  EXPECT_TRUE(src->readAt(1u << 30, buffer.data(), 10, got));
  EXPECT_EQ(0u, got);
  got = 99;
  EXPECT_TRUE(src->readAt(5, buffer.data(), 0, got));
  EXPECT_EQ(0u, got);

  // The file grows behind the source's back; the source still ends at its old size.
  {
    Handle writer = openRaw(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE);
    if (writer) {
      SetFilePointer(writer.get(), 0, nullptr, FILE_END);
      DWORD written = 0;
      WriteFile(writer.get(), content.data(), 100, &written, nullptr);
    }
  }
  got = 99;
  EXPECT_TRUE(src->readAt(950, buffer.data(), 200, got));
  EXPECT_EQ(50u, got);
}

TEST(FileSource, SharingRules) {
  testsupport::TempFolder dir;
  const std::wstring path = dir.path(L"shared.wav");
  ASSERT_TRUE(testsupport::writeFile(path, counting(100)));
  uint32_t error = 0;
  {
    // Someone else reading it is fine.
    Handle reader = openRaw(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE);
    ASSERT_TRUE(reader);
    EXPECT_TRUE(source::FileSource::open(path, error));
  }
  {
    // So is a file being deleted.
    Handle deleting = openRaw(path, GENERIC_READ | DELETE, FILE_SHARE_READ | FILE_SHARE_DELETE,
                              FILE_FLAG_DELETE_ON_CLOSE);
    ASSERT_TRUE(deleting);
    EXPECT_TRUE(source::FileSource::open(path, error));
  }
  const std::wstring locked = dir.path(L"locked.wav");
  ASSERT_TRUE(testsupport::writeFile(locked, counting(100)));
  {
    // A writer that shares nothing keeps it closed to us.
    Handle writer = openRaw(locked, GENERIC_WRITE, 0);
    ASSERT_TRUE(writer);
    EXPECT_EQ(nullptr, source::FileSource::open(locked, error));
    EXPECT_EQ(static_cast<uint32_t>(ERROR_SHARING_VIOLATION), error);
  }
  {
    // A writer, even one that shares reading, is refused too: we do not share writing.
    Handle writer = openRaw(locked, GENERIC_WRITE, FILE_SHARE_READ);
    ASSERT_TRUE(writer);
    EXPECT_EQ(nullptr, source::FileSource::open(locked, error));
  }
  // And once the writer is gone it opens.
  EXPECT_TRUE(source::FileSource::open(locked, error));
}

TEST(FileSource, StreamDecoderReadsARealFileOnItsThread) {
  testsupport::TempFolder dir;
  const std::wstring path = dir.path(L"ramp.wav");
  const uint64_t frames = 150000;
  ASSERT_TRUE(testsupport::writeFile(path, testwav::rampWav(11025, frames)));
  uint32_t error = 0;
  auto file = source::FileSource::open(path, error);
  ASSERT_TRUE(file);
  StreamDecoder* decoder = StreamDecoder::create(std::move(file));
  ASSERT_TRUE(decoder);
  ASSERT_EQ(StreamDecoder::OpenResult::Ok, decoder->openMiniaudio(ma_encoding_format_wav));
  EXPECT_EQ(11025u, decoder->sampleRate);
  EXPECT_EQ(frames, decoder->lengthFrames);

  LoadedTrack track;
  std::vector<float> buffer(4096 * 2);
  uint64_t total = 0;
  StreamDecoder::DrainResult result = StreamDecoder::DrainResult::Full;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (result != StreamDecoder::DrainResult::Ended &&
         std::chrono::steady_clock::now() < deadline) {
    uint64_t got = decoder->drain(track, buffer.data(), 4096, result);
    for (uint64_t i = 0; i < got; ++i) {
      ASSERT_EQ(total + i, testwav::frameIndexOf(&buffer[i * 2]));
    }
    total += got;
    if (result == StreamDecoder::DrainResult::Underrun) Sleep(1);
  }
  EXPECT_EQ(frames, total);
  EXPECT_EQ(frames, track.positionFrames);
  decoder->release();
}

}  // namespace
