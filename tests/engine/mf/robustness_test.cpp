// Mutated M4A and WMA files (bytes flipped, runs overwritten, cut short, a piece cut out)
// opened, read and sought through the real source reader. Each file goes to a child process
// of this program with a bounded wait: a crash shows as its exit code, a hang as the time-out,
// and neither can take the test run with it. One file per process also keeps a deadlock of
// Wine's media source creation out of the picture: after a few failed creations in one
// process, Wine 8 may never return from the next one.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "engine/mf/media_reader.h"
#include "engine/source/file_source.h"
#include "tests/app/child_process.h"
#include "tests/support/mf_decode.h"
#include "tests/support/win_test_support.h"

namespace {

constexpr int kMutationsPerFile = 110;
constexpr DWORD kBoundMs = 30000;
constexpr wchar_t kFileVariable[] = L"TWK_MUTATED_FILE";

std::vector<uint8_t> fixtureBytes(const char* name) {
  const std::string narrow = std::string(TWK_SOURCE_DIR "/tests/data/mf/") + name;
  const std::string text = testsupport::readFile(std::wstring(narrow.begin(), narrow.end()));
  return std::vector<uint8_t>(text.begin(), text.end());
}

// Mutation `index` of `b`, the same on every run.
std::vector<uint8_t> mutate(std::vector<uint8_t> b, uint32_t index) {
  std::mt19937 rng(0x7A3C0000u + index);
  auto pick = [&](size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(rng); };
  switch (index % 4) {
    case 0:
      for (size_t i = 1 + pick(16); i > 0; --i) b[pick(b.size())] = uint8_t(rng());
      break;
    case 1: {
      // Where the boxes and header objects are: the first and the last 2 KiB.
      const size_t at = pick(2) ? pick(2048) : b.size() - 1 - pick(2048);
      for (size_t i = at; i < std::min(b.size(), at + 1 + pick(12)); ++i) b[i] = uint8_t(rng());
      break;
    }
    case 2:
      b.resize(1 + pick(b.size() - 1));
      break;
    default: {
      const size_t at = pick(b.size()), length = std::min(b.size() - at, 1 + pick(4096));
      b.erase(b.begin() + at, b.begin() + at + length);
      break;
    }
  }
  return b;
}

// Reads the file (a damaged duration may claim hours, so at most a few times the real
// length), seeks into it and reads again.
void readThrough(mf::MediaReader& reader) {
  std::vector<float> out(testsupport::kDecodeChunkFrames * 2);
  uint64_t total = 0;
  while (total < 4 * 133000) {
    const uint64_t got = reader.read(out.data(), testsupport::kDecodeChunkFrames);
    if (got == 0) break;
    total += got;
  }
  EXPECT_LE(total, reader.lengthFrames());
  reader.seek(reader.lengthFrames() / 3);
  reader.read(out.data(), testsupport::kDecodeChunkFrames);
  reader.seek(0);
  reader.read(out.data(), testsupport::kDecodeChunkFrames);
  std::printf("opened\n");
}

// The child's side, for the file named by the variable.
TEST(MutatedFile, OpensReadsAndSeeksInAChildProcess) {
  const wchar_t* path = _wgetenv(kFileVariable);
  if (!path) GTEST_SKIP() << "run by MutatedFiles.NeverCrashOrHangTheReader";
  uint32_t error = 0;
  std::unique_ptr<source::FileSource> file = source::FileSource::open(path, error);
  ASSERT_TRUE(file);
  std::unique_ptr<mf::MediaReader> reader;
  if (mf::MediaReader::open(*file, reader) == mf::OpenOutcome::Ok) readThrough(*reader);
  reader.reset();
  // Wine 8 does not finish a process whose media source creation failed (its GStreamer
  // threads stay), so the child ends here, with its verdict, without the usual exit.
  std::printf("%s\n", HasFailure() ? "verdict: failed" : "verdict: ok");
  std::fflush(stdout);
  TerminateProcess(GetCurrentProcess(), HasFailure() ? 1 : 0);
}

TEST(MutatedFiles, NeverCrashOrHangTheReader) {
  wchar_t self[MAX_PATH];
  ASSERT_NE(0u, GetModuleFileNameW(nullptr, self, MAX_PATH));
  testsupport::TempFolder folder(L"twk_mf_mutated_");
  for (const char* name : {"stereo.m4a", "stereo.wma"}) {
    const std::vector<uint8_t> original = fixtureBytes(name);
    ASSERT_FALSE(original.empty());
    int opened = 0;
    for (uint32_t i = 0; i < kMutationsPerFile; ++i) {
      const std::string label = std::string(name) + " mutation " + std::to_string(i);
      const std::wstring path = folder.path(L"mutated" + std::to_wstring(i));
      ASSERT_TRUE(testsupport::writeFile(path, mutate(original, i)));
      childproc::Child child;
      ASSERT_TRUE(child.start(self, {L"--gtest_filter=MutatedFile.*"},
                              childproc::environmentWith({{kFileVariable, path}}), true))
          << label;
      if (!child.wait(kBoundMs)) {
        child.terminate();
        ADD_FAILURE() << label << " did not finish within " << kBoundMs << " ms\n" << child.output;
        continue;
      }
      EXPECT_EQ(0u, child.exitCode) << label << "\n" << child.output;
      EXPECT_NE(std::string::npos, child.output.find("verdict: ok")) << label << "\n"
                                                                     << child.output;
      if (child.output.find("opened") != std::string::npos) ++opened;
    }
    std::printf("%s: %d of %d mutations opened\n", name, opened, kMutationsPerFile);
  }
}

}  // namespace
