#include "base/settings_file.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "base/text.h"
#include "tests/support/child_process.h"
#include "tests/support/win_test_support.h"

namespace {

using testsupport::exists;
using testsupport::readFile;

std::wstring n(uint64_t v) { return text::toDecimal(v); }

// A fresh folder of the test's own under the temporary folder, removed afterwards.
class SettingsFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    wchar_t temp[MAX_PATH + 1];
    DWORD length = GetTempPathW(MAX_PATH + 1, temp);
    ASSERT_GT(length, 0u);
    static int counter = 0;
    dir_ = std::wstring(temp, length) + L"twk-settings-" + n(GetCurrentProcessId()) + L"-" +
           n(GetTickCount64()) + L"-" + n(++counter);
    ASSERT_TRUE(CreateDirectoryW(dir_.c_str(), nullptr));
    path_ = dir_ + L"\\Tarnwick\\settings.ini";
  }
  void TearDown() override { testsupport::removeTree(dir_); }

  std::wstring dir_;
  std::wstring path_;
};

Settings fullRecord() {
  Settings s;
  s.folder = L"D:\\Музыка\\日本";
  s.includeSubfolders = false;
  s.shuffle = true;
  s.repeat = 2;
  s.volume = 37;
  s.topmost = false;
  s.miniMode = true;
  s.listHidden = true;
  s.audiobook = true;
  s.opacity = 80;
  s.fullRect = {-1920, 10, -100, 900};
  s.miniRect = {100, 200, 400, 230};
  s.lastTrackPath = L"D:\\Музыка\\日本\\01 — Ω.mp3";
  s.lastPositionMs = 98765;
  s.tagCodepage = 1251;
  s.lastStation = L"http://radio.example/stream";
  s.podcast = L"https://feeds.example/podcast.xml";
  s.bookPath = L"E:\\Книги\\Война и мир";
  s.bookIncludeSubfolders = false;
  s.bookTrack = L"E:\\Книги\\Война и мир\\02.m4b";
  s.bookPositionMs = 604800000;
  s.stations = {{L"Jazz|FM", L"http://jazz.example/live"},
                {L"Радио Ψ", L"HTTPS://Other.Example:8000/;stream"},
                {L"Bars in URL", L"http://x.example/a?b=1|c=2"}};
  s.positions = {{L"E:\\Книги\\a|b.mp3", 5000}, {L"E:\\c.mp3", 604800000}};
  s.podcasts = {{L"播客 one", L"https://feeds.example/zh"}, {L"Two", L"https://feeds.example/2"}};
  s.heard = {L"https://e.example/1.mp3?x=1&y=2", L"https://e.example/2.mp3"};
  return s;
}

// Full lists in every section, told apart by `tag` in every value.
Settings bigRecord(wchar_t tag) {
  const std::wstring t(1, tag);
  Settings s = fullRecord();
  s.volume = tag == L'a' ? 11 : 88;
  s.bookPositionMs = tag == L'a' ? 1000 : 2000;
  s.stations.clear();
  s.positions.clear();
  s.heard.clear();
  for (uint64_t i = 1; i <= 50; ++i)
    s.stations.push_back({L"Station " + t + n(i), L"http://radio.example/" + t + n(i)});
  for (uint64_t i = 1; i <= 200; ++i)
    s.positions.push_back({L"C:\\Books\\" + t + L"\\" + n(i) + L".mp3", i * 1000});
  for (uint64_t i = 1; i <= 1000; ++i)
    s.heard.push_back(L"https://e.example/" + t + n(i) + L".mp3");
  return s;
}

int64_t fileSize(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return -1;
  return (static_cast<int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

constexpr wchar_t kSaveLoopVariable[] = L"TWK_SETTINGS_SAVE_LOOP";

}  // namespace

TEST_F(SettingsFileTest, PathsComeFromTheDataFolder) {
  SettingsPaths p = settingsPathsIn(L"C:\\Users\\u\\AppData\\Local");
  EXPECT_EQ(p.folder, L"C:\\Users\\u\\AppData\\Local\\Tarnwick");
  EXPECT_EQ(p.settingsPath, L"C:\\Users\\u\\AppData\\Local\\Tarnwick\\settings.ini");
  EXPECT_EQ(p.logPath, L"C:\\Users\\u\\AppData\\Local\\Tarnwick\\listening.log");
  EXPECT_EQ(settingsPathsIn(L"C:\\Local\\").settingsPath, L"C:\\Local\\Tarnwick\\settings.ini");
  EXPECT_TRUE(settingsPathsIn(L"").settingsPath.empty());
  EXPECT_TRUE(settingsPathsIn(L"").logPath.empty());
}

TEST_F(SettingsFileTest, NewFileHoldsOnlyTheByteOrderMarkAndKeepsIt) {
  EXPECT_FALSE(exists(dir_ + L"\\Tarnwick"));
  ASSERT_TRUE(ensureSettingsFile(path_));
  EXPECT_EQ(readFile(path_), std::string("\xFF\xFE"));
  ASSERT_TRUE(ensureSettingsFile(path_));  // an existing folder and file are fine
  EXPECT_EQ(readFile(path_), std::string("\xFF\xFE"));

  ASSERT_TRUE(saveSettings(path_, fullRecord()));
  std::string bytes = readFile(path_);
  ASSERT_GT(bytes.size(), 2u);
  EXPECT_EQ(bytes.substr(0, 2), std::string("\xFF\xFE"));
  EXPECT_EQ(bytes.find("Player"), std::string::npos);  // UTF-16, not 8-bit text

  // Only one level of folder is created.
  std::wstring deep = dir_ + L"\\a\\b\\settings.ini";
  EXPECT_FALSE(ensureSettingsFile(deep));
  EXPECT_FALSE(saveSettings(deep, fullRecord()));
  EXPECT_FALSE(exists(dir_ + L"\\a"));
}

TEST_F(SettingsFileTest, EverythingSurvivesARoundTrip) {
  Settings s = fullRecord();
  ASSERT_TRUE(saveSettings(path_, s));
  EXPECT_EQ(loadSettings(path_), s);

  // Saving again with emptier lists and defaults replaces what was there.
  Settings fewer;
  fewer.stations = {{L"Only", L"http://only.example/"}};
  ASSERT_TRUE(saveSettings(path_, fewer));
  EXPECT_EQ(loadSettings(path_), fewer);
  ASSERT_TRUE(saveSettings(path_, Settings{}));
  EXPECT_EQ(loadSettings(path_), Settings{});
}

TEST_F(SettingsFileTest, ListsKeepTheirLimitsThroughTheFile) {
  Settings s;
  for (uint64_t i = 1; i <= 250; ++i)
    s.stations.push_back({L"Station " + n(i), L"http://radio.example/" + n(i)});
  for (uint64_t i = 1; i <= 250; ++i) s.positions.push_back({L"C:\\Books\\" + n(i) + L".mp3", i});
  for (uint64_t i = 1; i <= 120; ++i)
    s.podcasts.push_back({L"Podcast " + n(i), L"https://feeds.example/" + n(i)});
  for (uint64_t i = 1; i <= 1000; ++i) s.heard.push_back(L"https://e.example/" + n(i) + L".mp3");
  ASSERT_TRUE(saveSettings(path_, s));
  Settings back = loadSettings(path_);
  ASSERT_EQ(back.stations.size(), 200u);
  EXPECT_EQ(back.stations.back().name, L"Station 200");
  ASSERT_EQ(back.positions.size(), 200u);
  EXPECT_EQ(back.positions.back().ms, 200u);
  EXPECT_EQ(back.podcasts.size(), 100u);
  EXPECT_EQ(back.heard, s.heard);

  // A file written by someone else with 250 stations also gives the first 200.
  std::wstring ini = L"\xFEFF[Stations]\r\n";
  for (uint64_t i = 1; i <= 250; ++i) ini += n(i) + L"=S" + n(i) + L"|http://r.example/\r\n";
  std::string bytes(reinterpret_cast<const char*>(ini.data()), ini.size() * sizeof(wchar_t));
  ASSERT_TRUE(testsupport::writeFile(path_, bytes));
  back = loadSettings(path_);
  ASSERT_EQ(back.stations.size(), 200u);
  EXPECT_EQ(back.stations.front().name, L"S1");
  EXPECT_EQ(back.stations.back().name, L"S200");
}

TEST_F(SettingsFileTest, FullListsOfLongUrlsAreNotLost) {
  // 200 stations of nearly 2048 characters and 1000 heard episodes of 600 fill more than the
  // first buffers the sections are read into.
  Settings s;
  for (uint64_t i = 1; i <= 200; ++i)
    s.stations.push_back({std::wstring(256, L'N'),
                          L"http://radio.example/" + n(i) + L"/" + std::wstring(2000, L'u')});
  for (uint64_t i = 1; i <= 1000; ++i)
    s.heard.push_back(L"https://e.example/" + n(i) + L"/" + std::wstring(600, L'h'));
  ASSERT_TRUE(saveSettings(path_, s));
  Settings back = loadSettings(path_);
  EXPECT_EQ(back.stations, s.stations);
  EXPECT_EQ(back.heard, s.heard);
}

TEST_F(SettingsFileTest, ATruncatedFileGivesWhatItStillHolds) {
  Settings s = fullRecord();
  for (uint64_t i = 1; i <= 50; ++i)
    s.stations.push_back({L"More " + n(i), L"http://more.example/" + n(i)});
  ASSERT_TRUE(saveSettings(path_, s));
  const std::string whole = readFile(path_);
  const std::wstring header = L"[Stations]";
  const size_t stations = whole.find(
      std::string(reinterpret_cast<const char*>(header.data()), header.size() * sizeof(wchar_t)));
  ASSERT_NE(stations, std::string::npos);

  // Cuts inside the station list, at even and odd byte counts, and just before the end.
  for (size_t cut : {stations + 41, stations + 300, stations + 1001, whole.size() - 3}) {
    ASSERT_TRUE(testsupport::writeFile(path_, whole.substr(0, cut)));
    Settings back = loadSettings(path_);
    Settings player = back;
    player.stations = s.stations;
    player.positions = s.positions;
    player.podcasts = s.podcasts;
    player.heard = s.heard;
    EXPECT_EQ(player, s) << cut;  // every key of the Player section
    ASSERT_LE(back.stations.size(), s.stations.size()) << cut;
    // The last entry may be cut short; all before it are whole.
    for (size_t i = 0; i + 1 < back.stations.size(); ++i)
      EXPECT_EQ(back.stations[i], s.stations[i]) << cut;
    EXPECT_LE(back.heard.size(), s.heard.size()) << cut;
  }
}

TEST_F(SettingsFileTest, AFileThatIsNotUtf16StillLoadsAndIsSavedAsUtf16) {
  ASSERT_TRUE(CreateDirectoryW((dir_ + L"\\Tarnwick").c_str(), nullptr));
  // 8-bit text as an editor might leave it.
  ASSERT_TRUE(
      testsupport::writeFile(path_,
                             "[Player]\r\nvolume=42\r\nfolder=C:\\Caf\xE9\r\n"
                             "[Stations]\r\n1=Jazz|http://jazz.example/\r\n2=Bad|ftp://x\r\n"));
  Settings back = loadSettings(path_);
  EXPECT_EQ(back.volume, 42);
  EXPECT_EQ(back.folder.substr(0, 6), L"C:\\Caf");
  ASSERT_EQ(back.stations.size(), 1u);
  EXPECT_EQ(back.stations[0].url, L"http://jazz.example/");

  // The next save must keep text outside any 8-bit code page.
  Settings s = fullRecord();
  ASSERT_TRUE(saveSettings(path_, s));
  EXPECT_EQ(readFile(path_).substr(0, 2), std::string("\xFF\xFE"));
  EXPECT_EQ(loadSettings(path_), s);

  // Random bytes, with and without a byte-order mark in front, and an empty file.
  std::mt19937 rng(777);
  std::uniform_int_distribution<int> byte(0, 255);
  for (int round = 0; round < 20; ++round) {
    std::string junk(4096 + round * 97, '\0');
    for (char& c : junk) c = static_cast<char>(byte(rng));
    if (round % 2) junk = "\xFF\xFE" + junk;
    if (round % 4 == 1) {
      // A good section after the garbage, on a UTF-16 code unit boundary.
      if (junk.size() % 2) junk.push_back('\n');
      static const wchar_t kTail[] = L"\r\n[Player]\r\nvolume=7\r\n";
      junk.append(reinterpret_cast<const char*>(kTail), sizeof kTail - sizeof(wchar_t));
    }
    ASSERT_TRUE(testsupport::writeFile(path_, junk));
    Settings g = loadSettings(path_);
    if (round % 4 == 1) {
      EXPECT_EQ(g.volume, 7) << round;
    }
    ASSERT_TRUE(saveSettings(path_, s)) << round;
    ASSERT_EQ(loadSettings(path_), s) << round;
  }
  ASSERT_TRUE(testsupport::writeFile(path_, ""));
  EXPECT_EQ(loadSettings(path_), Settings{});
  ASSERT_TRUE(saveSettings(path_, s));
  EXPECT_EQ(loadSettings(path_), s);
}

TEST_F(SettingsFileTest, EmptyPathReadsDefaultsAndSavesNothing) {
  EXPECT_EQ(loadSettings(L""), Settings{});
  EXPECT_FALSE(ensureSettingsFile(L""));
  EXPECT_FALSE(saveSettings(L"", fullRecord()));
  EXPECT_EQ(loadSettings(dir_ + L"\\missing.ini"), Settings{});
}

TEST_F(SettingsFileTest, ASaveStoppedAtAnySectionLeavesTheLastWholeFile) {
  const Settings records[2] = {bigRecord(L'a'), bigRecord(L'b')};
  ASSERT_TRUE(saveSettings(path_, records[0]));
  const std::wstring fresh = newSettingsPath(path_);
  EXPECT_EQ(fresh, path_ + L".new");
  EXPECT_FALSE(exists(fresh));

  // Stopped before each section and before the replacement, as by a crash: the file of the
  // last save stays as it was, the new file is left behind, and the next save removes it.
  for (size_t stop = 0; stop <= 5; ++stop) {
    const Settings& before = records[stop % 2];
    const Settings& after = records[(stop + 1) % 2];
    const std::string bytes = readFile(path_);
    EXPECT_FALSE(saveSettings(path_, after, [stop](size_t written) { return written == stop; }))
        << stop;
    EXPECT_TRUE(exists(fresh)) << stop;
    EXPECT_EQ(readFile(path_), bytes) << stop;
    EXPECT_EQ(loadSettings(path_), before) << stop;
    ASSERT_TRUE(saveSettings(path_, after)) << stop;
    EXPECT_FALSE(exists(fresh)) << stop;
    EXPECT_EQ(loadSettings(path_), after) << stop;
  }

  // When the replacement fails (a folder in the way), the new file goes too.
  const std::wstring folderInTheWay = dir_ + L"\\Tarnwick\\folder.ini";
  ASSERT_TRUE(CreateDirectoryW(folderInTheWay.c_str(), nullptr));
  EXPECT_FALSE(saveSettings(folderInTheWay, records[0]));
  EXPECT_FALSE(exists(newSettingsPath(folderInTheWay)));
}

// The child's part in the test below: saves two records in turn until it is killed (or a
// minute has passed, should its parent be gone).
void saveInALoop(const std::wstring& path) {
  const Settings records[2] = {bigRecord(L'b'), bigRecord(L'a')};
  const ULONGLONG end = GetTickCount64() + 60000;
  for (size_t i = 0; GetTickCount64() < end; ++i) saveSettings(path, records[i % 2]);
}

TEST(SettingsFileKilled, EveryStartAfterASaveKilledAnywhereReadsAWholeFile) {
  wchar_t childPath[32768] = {};
  if (GetEnvironmentVariableW(kSaveLoopVariable, childPath, 32768) != 0) {
    saveInALoop(childPath);
    return;
  }
  testsupport::TempFolder data(L"twk_settings_kill_");
  const std::wstring path = data.path(L"settings.ini");
  const Settings a = bigRecord(L'a');
  const Settings b = bigRecord(L'b');
  ASSERT_TRUE(saveSettings(path, b));
  const std::string bytesB = readFile(path);
  ASSERT_TRUE(saveSettings(path, a));
  const std::string bytesA = readFile(path);
  const int64_t whole = static_cast<int64_t>(std::min(bytesA.size(), bytesB.size()));
  const std::wstring fresh = newSettingsPath(path);
  wchar_t program[MAX_PATH] = {};
  ASSERT_NE(GetModuleFileNameW(nullptr, program, MAX_PATH), 0u);
  const std::wstring environment = childproc::environmentWith({{kSaveLoopVariable, path}});

  // Each run is killed at another point of a save: once the file being written (the new
  // file, or the settings themselves if written in place) holds the next eighth of the
  // whole, or between two saves.
  constexpr int kRuns = 36;
  int caughtWriting = 0;
  for (int run = 0; run < kRuns; ++run) {
    const int eighth = run % 9;
    childproc::Child saver;
    ASSERT_TRUE(saver.start(program, {L"--gtest_filter=SettingsFileKilled.*"}, environment, false));
    const ULONGLONG deadline = GetTickCount64() + 20000;
    bool saving = false;  // a save of the child was seen
    bool writing = false;
    while (GetTickCount64() < deadline && saver.running()) {
      const int64_t live = fileSize(path);
      const int64_t next = fileSize(fresh);
      const int64_t partial = next >= 0 ? next : (live >= 0 && live < whole ? live : -1);
      saving = saving || partial >= 0;
      if (eighth == 8 ? saving && partial < 0 : partial >= eighth * whole / 8) {
        writing = partial >= 0;
        break;
      }
      SwitchToThread();
    }
    saver.terminate();
    ASSERT_TRUE(saver.wait(20000)) << run;
    if (writing) ++caughtWriting;

    const std::string bytes = readFile(path);
    EXPECT_TRUE(bytes == bytesA || bytes == bytesB)
        << "run " << run << ": " << bytes.size() << " bytes";
    const Settings read = loadSettings(path);
    EXPECT_TRUE(read == a || read == b) << "run " << run;
  }
  std::printf("%d kills, %d of them while a file was being written\n", kRuns, caughtWriting);
  EXPECT_GE(caughtWriting, kRuns / 2);

  ASSERT_TRUE(saveSettings(path, b));
  EXPECT_FALSE(exists(fresh));
  EXPECT_EQ(loadSettings(path), b);
}

// Sets LOCALAPPDATA for this process and puts the old value back afterwards.
class LocalAppDataTest : public SettingsFileTest {
 protected:
  void SetUp() override {
    SettingsFileTest::SetUp();
    wchar_t old[32768];
    DWORD length = GetEnvironmentVariableW(L"LOCALAPPDATA", old, 32768);
    hadOld_ = length > 0 && length < 32768;
    if (hadOld_) old_.assign(old, length);
    ASSERT_TRUE(SetEnvironmentVariableW(L"LOCALAPPDATA", dir_.c_str()));
  }
  void TearDown() override {
    SetEnvironmentVariableW(L"LOCALAPPDATA", hadOld_ ? old_.c_str() : nullptr);
    SettingsFileTest::TearDown();
  }

  bool hadOld_ = false;
  std::wstring old_;
};

TEST_F(LocalAppDataTest, DataFolderComesFromTheEnvironmentOrTheKnownFolder) {
  EXPECT_EQ(localAppDataFolder(), dir_);
  EXPECT_EQ(prepareDataFolder().settingsPath, dir_ + L"\\Tarnwick\\settings.ini");

  // Too long for the 260-character buffer, or missing: the known folder.
  std::wstring tooLong = L"C:\\" + std::wstring(300, L'x');
  ASSERT_TRUE(SetEnvironmentVariableW(L"LOCALAPPDATA", tooLong.c_str()));
  std::wstring known = localAppDataFolder();
  EXPECT_FALSE(known.empty());
  EXPECT_NE(known, tooLong);
  ASSERT_TRUE(SetEnvironmentVariableW(L"LOCALAPPDATA", nullptr));
  EXPECT_EQ(localAppDataFolder(), known);
}

TEST_F(LocalAppDataTest, OldFolderIsCopiedOnlyWhenTheNewOneIsMissing) {
  const std::wstring oldFolder = dir_ + L"\\Player";
  ASSERT_TRUE(CreateDirectoryW(oldFolder.c_str(), nullptr));
  // Without an old settings.ini nothing happens, even with an old log.
  ASSERT_TRUE(testsupport::writeFile(oldFolder + L"\\listening.log", "old log\n"));
  SettingsPaths paths = prepareDataFolder();
  EXPECT_FALSE(exists(paths.folder));

  Settings s = fullRecord();
  ASSERT_TRUE(saveSettings(oldFolder + L"\\settings.ini", s));
  const std::string oldIni = readFile(oldFolder + L"\\settings.ini");
  paths = prepareDataFolder();
  EXPECT_EQ(readFile(paths.settingsPath), oldIni);
  EXPECT_EQ(readFile(paths.logPath), "old log\n");
  EXPECT_EQ(loadSettings(paths.settingsPath), s);
  EXPECT_EQ(readFile(oldFolder + L"\\settings.ini"), oldIni);  // the old files stay
  EXPECT_TRUE(exists(oldFolder + L"\\listening.log"));

  // Once the new folder exists, its files are never replaced.
  ASSERT_TRUE(saveSettings(paths.settingsPath, Settings{}));
  ASSERT_TRUE(testsupport::writeFile(paths.logPath, "new log\n"));
  const std::string newIni = readFile(paths.settingsPath);
  prepareDataFolder();
  EXPECT_EQ(readFile(paths.settingsPath), newIni);
  EXPECT_EQ(readFile(paths.logPath), "new log\n");
  EXPECT_EQ(loadSettings(paths.settingsPath), Settings{});
}
