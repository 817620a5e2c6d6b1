// The track loader end to end: a real thread posting to a real (message-only) window, local
// files on disk, every error code a local file can give, the memory limit, and the queue's
// replace, priority and shutdown rules.
#include <gtest/gtest.h>

#include <windows.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <memory>

#include "base/messages.h"
#include "base/scoped_win.h"
#include "engine/stream_decoder.h"
#include "engine/track_loader.h"
#include "tests/support/files.h"
#include "tests/support/message_window.h"
#include "tests/support/wav_writer.h"
#include "tests/support/win_test_support.h"

namespace {

const std::string kAudio = TWK_SOURCE_DIR "/tests/data/audio/";
const std::string kTags = TWK_SOURCE_DIR "/tests/data/tags/";
constexpr DWORD kPatienceMs = 30000;

using ResultPtr = std::unique_ptr<LoadResult>;

std::wstring wide(const std::string& s) { return std::filesystem::path(s).wstring(); }

using Handle = base::ScopedHandle;

// A WAV of exactly `size` bytes: a header and zeros, made sparse and fast by extending the file.
bool writeSparseWav(const std::wstring& path, uint64_t size) {
  Handle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                          FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  std::vector<uint8_t> header = testwav::header(44100, 2, static_cast<uint32_t>(size - 44));
  DWORD written = 0;
  if (!WriteFile(file.get(), header.data(), static_cast<DWORD>(header.size()), &written, nullptr))
    return false;
  LARGE_INTEGER end;
  end.QuadPart = static_cast<LONGLONG>(size);
  return SetFilePointerEx(file.get(), end, nullptr, FILE_BEGIN) && SetEndOfFile(file.get());
}

class TrackLoader : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_NE(nullptr, window_.hwnd()); }
  void TearDown() override { queue_.shutdown(); }  // the window frees whatever was posted

  void start() { ASSERT_TRUE(queue_.start(window_.hwnd(), WM_APP_LOAD_DONE)); }

  // The next load-done message, pumping the thread's messages meanwhile; null on time-out.
  ResultPtr next() {
    if (!window_.waitFor([this] { return window_.has(WM_APP_LOAD_DONE); }, kPatienceMs)) {
      return nullptr;
    }
    return window_.take<LoadResult>(WM_APP_LOAD_DONE);
  }

  ResultPtr load(const std::wstring& path, bool forceStreaming = false, int32_t codepage = 0) {
    const int32_t id = ++lastId_;
    EXPECT_TRUE(queue_.submit(LoadKind::PlayNow, path, id, forceStreaming, codepage));
    ResultPtr result = next();
    EXPECT_TRUE(result);
    if (result) {
      EXPECT_EQ(id, result->trackId);
      EXPECT_EQ(path, result->path);
    }
    return result;
  }

  // Loads on the memory path and on the stream path; both must give `code`.
  void expectCodeOnBothPaths(const std::wstring& path, uint8_t code) {
    for (bool force : {false, true}) {
      SCOPED_TRACE(force ? "streamed" : "memory");
      ResultPtr r = load(path, force);
      ASSERT_TRUE(r);
      EXPECT_EQ(code, r->error);
      EXPECT_EQ(nullptr, r->track);
      EXPECT_FALSE(r->streamed);
    }
  }

  testsupport::MessageWindow window_;
  LoadQueue queue_;
  testsupport::TempFolder dir_;
  int32_t lastId_ = 0;
};

TEST_F(TrackLoader, ErrorCodesForLocalFiles) {
  start();
  expectCodeOnBothPaths(dir_.path(L"missing.mp3"), kLoadCantOpen);

  const std::wstring empty = dir_.path(L"empty.mp3");
  ASSERT_TRUE(testsupport::writeFile(empty, std::string()));
  expectCodeOnBothPaths(empty, kLoadEmpty);

  std::vector<uint8_t> noise(30000);
  for (size_t i = 0; i < noise.size(); ++i) noise[i] = static_cast<uint8_t>((i * 7919) >> 3);
  const std::wstring garbage = dir_.path(L"garbage.mp3");
  ASSERT_TRUE(testsupport::writeFile(garbage, noise));
  expectCodeOnBothPaths(garbage, kLoadNotPlayable);

  const std::wstring headerOnly = dir_.path(L"header.wav");
  ASSERT_TRUE(testsupport::writeFile(headerOnly, testwav::header(44100, 2, 0)));
  expectCodeOnBothPaths(headerOnly, kLoadNotPlayable);

  const std::wstring locked = dir_.path(L"locked.wav");
  ASSERT_TRUE(testsupport::writeFile(locked, testwav::rampWav(8000, 100)));
  {
    Handle writer(CreateFileW(locked.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(writer);
    expectCodeOnBothPaths(locked, kLoadCantOpen);
  }
  ResultPtr unlocked = load(locked);
  ASSERT_TRUE(unlocked);
  EXPECT_EQ(kLoadOk, unlocked->error);

  // Media Foundation formats: a missing or empty file is reported as such.
  expectCodeOnBothPaths(dir_.path(L"missing.m4a"), kLoadCantOpen);
  const std::wstring emptyM4a = dir_.path(L"empty.M4A");
  ASSERT_TRUE(testsupport::writeFile(emptyM4a, std::string()));
  expectCodeOnBothPaths(emptyM4a, kLoadEmpty);
}

TEST_F(TrackLoader, UrlsAndCdTracksAreAnsweredWithoutACrash) {
  start();
  expectCodeOnBothPaths(L"https://127.0.0.1:1/x.mp3", kLoadNetworkError);
  expectCodeOnBothPaths(L"q:\\track07.CDA", kLoadNoCd);
}

TEST_F(TrackLoader, TruncatedFilesLoadOrFailWithACode) {
  start();
  const std::wstring truncatedWav = dir_.path(L"truncated.wav");
  ASSERT_TRUE(testsupport::writeFile(truncatedWav, testwav::header(44100, 2, 400000)));
  const std::wstring paths[] = {wide(kAudio + "truncated.flac"), truncatedWav};
  for (const std::wstring& path : paths) {
    for (bool force : {false, true}) {
      ResultPtr r = load(path, force);
      ASSERT_TRUE(r);
      if (r->error == kLoadOk) {
        ASSERT_TRUE(r->track);
        EXPECT_GT(r->track->lengthFrames, 0u);
      } else {
        EXPECT_TRUE(r->error == kLoadNotPlayable || r->error == kLoadCantRead) << int{r->error};
        EXPECT_EQ(nullptr, r->track);
      }
    }
  }
}

TEST_F(TrackLoader, FixturesLoadOnBothPathsWithTheSameRateAndLength) {
  start();
  const char* names[] = {"sine44_stereo.mp3",  "sine48_mono.mp3",   "sine44_mono.flac",
                         "sine48_stereo.flac", "sine44_stereo.wav", "sine48_mono.wav",
                         "mp3_named.flac"};
  for (const char* name : names) {
    SCOPED_TRACE(name);
    ResultPtr memory = load(wide(kAudio + name));
    ResultPtr streamed = load(wide(kAudio + name), true);
    ASSERT_TRUE(memory && streamed);
    ASSERT_EQ(kLoadOk, memory->error);
    ASSERT_EQ(kLoadOk, streamed->error);
    EXPECT_FALSE(memory->streamed);
    EXPECT_TRUE(streamed->streamed);
    ASSERT_TRUE(memory->track && streamed->track);
    EXPECT_NE(nullptr, memory->track->memoryImage.get());
    EXPECT_TRUE(memory->track->memoryDecoderReady);
    EXPECT_EQ(nullptr, memory->track->streamDecoder);
    EXPECT_EQ(nullptr, streamed->track->memoryImage.get());
    ASSERT_NE(nullptr, streamed->track->streamDecoder);
    EXPECT_EQ(lastId_, streamed->track->trackId);
    EXPECT_GT(memory->track->sampleRate, 0u);
    EXPECT_EQ(memory->track->sampleRate, streamed->track->sampleRate);
    EXPECT_EQ(memory->track->lengthFrames, streamed->track->lengthFrames);
    EXPECT_EQ(streamed->track->sampleRate, streamed->track->streamDecoder->sampleRate);
  }
}

TEST_F(TrackLoader, TagsAreReadOnBothPaths) {
  start();
  for (const char* name : {"vorbis.flac", "id3v1_only.mp3", "id3v23_chapters.mp3"}) {
    for (bool force : {false, true}) {
      SCOPED_TRACE(std::string(name) + (force ? " streamed" : " memory"));
      ResultPtr r = load(wide(kTags + name), force, 1252);
      ASSERT_TRUE(r);
      ASSERT_EQ(kLoadOk, r->error);
      EXPECT_EQ(L"Sine \u00DCberture", r->tags.title);
      EXPECT_EQ(L"Tarnwick Ensemble", r->tags.artist);
    }
  }
}

TEST_F(TrackLoader, SixtyFourMiBGoesToMemoryAndOneByteMoreIsStreamed) {
  start();
  const std::wstring exact = dir_.path(L"exact.wav");
  const std::wstring over = dir_.path(L"over.wav");
  ASSERT_TRUE(writeSparseWav(exact, kMaxMemoryImageBytes));
  ASSERT_TRUE(writeSparseWav(over, kMaxMemoryImageBytes + 1));

  ResultPtr inMemory = load(exact);
  ASSERT_TRUE(inMemory);
  ASSERT_EQ(kLoadOk, inMemory->error);
  EXPECT_FALSE(inMemory->streamed);
  ASSERT_TRUE(inMemory->track);
  EXPECT_EQ(kMaxMemoryImageBytes, inMemory->track->memorySize);
  EXPECT_EQ((kMaxMemoryImageBytes - 44) / 4, inMemory->track->lengthFrames);
  inMemory.reset();

  ResultPtr streamed = load(over);
  ASSERT_TRUE(streamed);
  ASSERT_EQ(kLoadOk, streamed->error);
  EXPECT_TRUE(streamed->streamed);
  ASSERT_TRUE(streamed->track);
  EXPECT_EQ(nullptr, streamed->track->memoryImage.get());
  ASSERT_NE(nullptr, streamed->track->streamDecoder);
  EXPECT_EQ((kMaxMemoryImageBytes + 1 - 44) / 4, streamed->track->lengthFrames);
}

TEST_F(TrackLoader, AReplacedRequestIsNeverAnsweredAndPlayNowGoesFirst) {
  // Queued before the thread runs, so the order of events is fixed.
  const std::wstring a = wide(kAudio + "sine44_stereo.wav");
  const std::wstring b = wide(kAudio + "sine48_mono.wav");
  ASSERT_TRUE(queue_.submit(LoadKind::PrepareNext, a, 1, false, 0));
  ASSERT_TRUE(queue_.submit(LoadKind::PrepareNext, b, 2, false, 0));  // replaces 1
  ASSERT_TRUE(queue_.submit(LoadKind::PlayNow, a, 3, false, 0));
  ASSERT_TRUE(queue_.submit(LoadKind::PlayNow, b, 4, true, 0));  // replaces 3
  start();

  ResultPtr first = next();
  ResultPtr second = next();
  ASSERT_TRUE(first && second);
  EXPECT_EQ(4, first->trackId);
  EXPECT_EQ(LoadKind::PlayNow, first->kind);
  EXPECT_EQ(b, first->path);
  EXPECT_TRUE(first->streamed);
  EXPECT_EQ(2, second->trackId);
  EXPECT_EQ(LoadKind::PrepareNext, second->kind);
  EXPECT_FALSE(second->streamed);

  // Answers come in order: once a later request is answered, 1 and 3 never will be.
  ASSERT_TRUE(queue_.submit(LoadKind::PlayNow, a, 5, false, 0));
  ResultPtr sentinel = next();
  ASSERT_TRUE(sentinel);
  EXPECT_EQ(5, sentinel->trackId);
  window_.collect();
  EXPECT_FALSE(window_.has(WM_APP_LOAD_DONE));
}

TEST_F(TrackLoader, ShutdownWhileARequestIsOpenedReturns) {
  const std::wstring big = dir_.path(L"big.wav");
  ASSERT_TRUE(writeSparseWav(big, kMaxMemoryImageBytes));
  start();
  ASSERT_TRUE(queue_.submit(LoadKind::PlayNow, big, 1, false, 0));
  ASSERT_TRUE(queue_.submit(LoadKind::PrepareNext, big, 2, true, 0));
  queue_.shutdown();  // joins; TearDown frees whatever was posted

  // At most the request being opened was answered, and it is whole.
  int answers = 0;
  window_.collect();
  while (ResultPtr r = window_.take<LoadResult>(WM_APP_LOAD_DONE)) {
    ++answers;
    EXPECT_EQ(kLoadOk, r->error);
    EXPECT_TRUE(r->track);
  }
  EXPECT_LE(answers, 1);
  // A second shutdown is harmless, and so is a submit after it.
  queue_.shutdown();
  EXPECT_TRUE(queue_.submit(LoadKind::PlayNow, big, 3, false, 0));
}

}  // namespace
