#include "ui/menu_model.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/text.h"
#include "player/playback_rules.h"

namespace {

// One line per entry: "<id> <text>" with [greyed] [checked] [radio], "-" for a separator and
// the children of a submenu indented beneath it.
std::string describe(const std::vector<MenuEntry>& entries, const std::string& indent = "") {
  std::string out;
  for (const MenuEntry& e : entries) {
    out += indent;
    if (e.separator) {
      out += "-\n";
      continue;
    }
    out += std::to_string(e.id) + " " + text::wideToUtf8(e.text);
    if (e.greyed) out += " [greyed]";
    if (e.checked) out += " [checked]";
    if (e.radio) out += " [radio]";
    out += "\n";
    out += describe(e.children, indent + "  ");
  }
  return out;
}

const MenuEntry* findId(const std::vector<MenuEntry>& entries, uint32_t id) {
  for (const MenuEntry& e : entries) {
    if (!e.separator && e.id == id && e.children.empty()) return &e;
    if (const MenuEntry* child = findId(e.children, id)) return child;
  }
  return nullptr;
}

const MenuEntry* findSubmenu(const std::vector<MenuEntry>& entries, const std::wstring& name) {
  for (const MenuEntry& e : entries) {
    if (!e.children.empty() && e.text == name) return &e;
  }
  return nullptr;
}

MenuState libraryState() {
  MenuState s;
  s.folderOpen = true;
  s.includeSubfolders = true;
  s.topmost = true;
  s.opacity = 80;
  s.backToLabel = L"Back to 1:00 (a.mp3)";  // not offered outside audiobook mode
  s.podcasts.titles = {L"Tom & Jerry", L"Daily"};
  s.podcasts.urls = {L"http://a/1.xml", L"http://a/2.xml"};
  s.podcasts.open = 1;
  return s;
}

std::vector<std::wstring> chapterNames(size_t count) {
  std::vector<std::wstring> names;
  for (size_t i = 0; i < count && i < kMenuChapters; ++i) {
    names.push_back(L"Chapter " + text::toDecimal(static_cast<uint64_t>(i + 1)));
  }
  return names;
}

TEST(MenuModel, LibraryMenuInOrderWithMarks) {
  EXPECT_EQ(describe(buildMainMenu(libraryState())),
            "1 Open folder...\n"
            "2 Rescan\n"
            "3 Include subfolders [checked]\n"
            "0 Radio\n"
            "  200 Add station...\n"
            "  205 Find stations online...\n"
            "  201 Remove station [greyed]\n"
            "0 Podcasts\n"
            "  3000 Tom && Jerry\n"
            "  3001 Daily [radio]\n"
            "  -\n"
            "  202 Add podcast...\n"
            "  206 Find podcasts online...\n"
            "  203 Remove \"Daily\"\n"
            "7 Audiobook mode\n"
            "-\n"
            "4 Always on top [checked]\n"
            "5 Mini mode\n"
            "0 Opacity\n"
            "  100 100%\n"
            "  101 90%\n"
            "  102 80% [radio]\n"
            "  103 70%\n"
            "  104 60%\n"
            "  105 50%\n"
            "-\n"
            "6 Exit\n");

  MenuState flipped = libraryState();
  flipped.includeSubfolders = false;
  flipped.topmost = false;
  flipped.miniMode = true;
  flipped.opacity = 75;  // not a step: no radio mark anywhere
  const std::vector<MenuEntry> menu = buildMainMenu(flipped);
  EXPECT_FALSE(findId(menu, kCmdIncludeSubfolders)->checked);
  EXPECT_FALSE(findId(menu, kCmdAlwaysOnTop)->checked);
  EXPECT_TRUE(findId(menu, kCmdMiniMode)->checked);
  for (size_t i = 0; i < kOpacityStepCount; ++i) {
    EXPECT_FALSE(findId(menu, kCmdOpacityFirst + static_cast<uint32_t>(i))->radio) << i;
  }

  // Rescan is greyed without a folder.
  flipped.folderOpen = false;
  EXPECT_TRUE(findId(buildMainMenu(flipped), kCmdRescan)->greyed);

  // No podcasts: no separator; at the limit of 100 no more can be added.
  MenuState podcasts = libraryState();
  podcasts.podcasts = PodcastMenuState();
  EXPECT_EQ(describe(findSubmenu(buildMainMenu(podcasts), L"Podcasts")->children),
            "202 Add podcast...\n206 Find podcasts online...\n203 Remove podcast [greyed]\n");
  podcasts.podcasts.titles.assign(100, L"P");
  podcasts.podcasts.urls.assign(100, L"http://a/p.xml");
  EXPECT_TRUE(findId(buildMainMenu(podcasts), kCmdAddPodcast)->greyed);
  EXPECT_EQ(findId(buildMainMenu(podcasts), kCmdPodcastFirst + 99)->text, L"P");
}

TEST(MenuModel, RadioSubmenuListsStationsWithTheChosenOneMarked) {
  MenuState s = libraryState();
  s.stationNames = {L"Jazz & Blues", L"News"};
  s.currentStation = 1;
  EXPECT_EQ(describe(findSubmenu(buildMainMenu(s), L"Radio")->children),
            "1000 Jazz && Blues\n"
            "1001 News [radio]\n"
            "-\n"
            "200 Add station...\n"
            "205 Find stations online...\n"
            "201 Remove \"News\"\n");

  // Full: nothing more can be added.
  s.stationNames.assign(200, L"S");
  s.currentStation = -1;
  const std::vector<MenuEntry> full = buildMainMenu(s);
  EXPECT_TRUE(findId(full, kCmdAddStation)->greyed);
  EXPECT_EQ(findId(full, kCmdStationFirst + 199)->text, L"S");
  EXPECT_TRUE(findId(full, kCmdRemoveStation)->greyed);
}

TEST(MenuModel, AudiobookMenuOffersBookFileAndBackTo) {
  MenuState s = libraryState();
  s.audiobook = true;
  s.opacity = 100;
  s.backToLabel = L"Back to 12:04 (Tom & Jerry.mp3)";
  s.podcasts.open = -1;
  EXPECT_EQ(describe(buildMainMenu(s)),
            "1 Open folder...\n"
            "207 Open book file...\n"
            "2 Rescan\n"
            "3 Include subfolders [checked]\n"
            "0 Radio [greyed]\n"
            "  200 Add station...\n"
            "  205 Find stations online...\n"
            "  201 Remove station [greyed]\n"
            "0 Podcasts [greyed]\n"
            "  3000 Tom && Jerry\n"
            "  3001 Daily\n"
            "  -\n"
            "  202 Add podcast...\n"
            "  206 Find podcasts online...\n"
            "  203 Remove podcast [greyed]\n"
            "7 Audiobook mode [checked]\n"
            "8 Back to 12:04 (Tom && Jerry.mp3)\n"
            "-\n"
            "4 Always on top [checked]\n"
            "5 Mini mode\n"
            "0 Opacity\n"
            "  100 100% [radio]\n"
            "  101 90%\n"
            "  102 80%\n"
            "  103 70%\n"
            "  104 60%\n"
            "  105 50%\n"
            "-\n"
            "6 Exit\n");

  // Nothing to go back to: no entry at all.
  s.backToLabel.clear();
  EXPECT_EQ(findId(buildMainMenu(s), kCmdBackTo), nullptr);
}

TEST(MenuModel, AudioCdSubmenuListsTheDrivesAndMarksThePlayedOne) {
  MenuState s = libraryState();
  s.cdDrives = {L'D', L'F'};
  s.cdPlaying = L'F';
  const std::string menu = describe(buildMainMenu(s));
  EXPECT_NE(menu.find("  203 Remove \"Daily\"\n"
                      "0 Audio CD\n"
                      "  7000 Drive D:\n"
                      "  7001 Drive F: [radio]\n"
                      "7 Audiobook mode\n"),
            std::string::npos)
      << menu;

  s.audiobook = true;
  EXPECT_TRUE(findSubmenu(buildMainMenu(s), L"Audio CD")->greyed);
  s.cdDrives.clear();  // a computer without CD drives has no such submenu
  EXPECT_EQ(findSubmenu(buildMainMenu(s), L"Audio CD"), nullptr);
}

TEST(MenuModel, RemoveEntryOnRowAfterSeparator) {
  MenuState s = libraryState();
  EXPECT_EQ(findId(buildMainMenu(s), kCmdRemoveRow), nullptr);

  s.hasRow = true;
  s.rowText = L"Song";
  const std::vector<MenuEntry> menu = buildMainMenu(s);
  size_t at = 0;
  while (at < menu.size() && menu[at].id != kCmdRemoveRow) ++at;
  ASSERT_LT(at + 2, menu.size());
  EXPECT_EQ(menu[at].text, L"Remove \"Song\" from the list");
  EXPECT_TRUE(menu[at - 1].separator);
  EXPECT_EQ(menu[at - 2].id, kCmdAudiobook);
  EXPECT_TRUE(menu[at + 1].separator);
  EXPECT_EQ(menu[at + 2].id, kCmdAlwaysOnTop);
}

TEST(MenuModel, AmpersandsAreDoubledInNames) {
  EXPECT_EQ(escapeMenuText(L"Simon & Garfunkel"), L"Simon && Garfunkel");
  EXPECT_EQ(escapeMenuText(L"&&"), L"&&&&");
  EXPECT_EQ(escapeMenuText(L"plain"), L"plain");

  MenuState s = libraryState();
  s.hasRow = true;
  s.rowText = L"Rock & Roll";
  s.chapterNames = {L"Q&A", L"B"};
  s.chapterCount = 2;
  const std::vector<MenuEntry> menu = buildMainMenu(s);
  EXPECT_EQ(findId(menu, kCmdRemoveRow)->text, L"Remove \"Rock && Roll\" from the list");
  EXPECT_EQ(findId(menu, kCmdChapterFirst)->text, L"Q&&A");
}

TEST(MenuModel, LongRowTextIsCutTo57AndDots) {
  const std::wstring sixty(60, L'x');
  EXPECT_EQ(removeRowEntryText(sixty), L"Remove \"" + sixty + L"\" from the list");

  std::wstring sixtyOne;
  for (int i = 0; i < 61; ++i) sixtyOne.push_back(static_cast<wchar_t>(L'A' + i % 26));
  EXPECT_EQ(removeRowEntryText(sixtyOne),
            L"Remove \"" + sixtyOne.substr(0, 57) + L"...\" from the list");

  // The cut counts the row's own characters, before any "&" is doubled.
  const std::wstring ampersands(61, L'&');
  EXPECT_EQ(removeRowEntryText(ampersands),
            L"Remove \"" + std::wstring(114, L'&') + L"...\" from the list");

  // A surrogate pair straddling the cut is kept out whole rather than split.
  std::wstring pair(56, L'a');
  pair += L"\xD83D\xDE00";
  pair += std::wstring(10, L'b');
  EXPECT_EQ(removeRowEntryText(pair),
            L"Remove \"" + std::wstring(56, L'a') + L"...\" from the list");
}

TEST(MenuModel, ChaptersSubmenuShowsFiftyAndTheRestOnTheSeekBar) {
  MenuState s = libraryState();
  s.chapterCount = 120;
  s.chapterNames = chapterNames(120);
  s.currentChapter = 49;
  std::vector<MenuEntry> menu = buildMainMenu(s);
  const MenuEntry* chapters = findSubmenu(menu, L"Chapters");
  ASSERT_NE(chapters, nullptr);
  ASSERT_EQ(chapters->children.size(), 51u);
  for (size_t i = 0; i < 50; ++i) {
    const MenuEntry& e = chapters->children[i];
    EXPECT_EQ(e.id, kCmdChapterFirst + i);
    EXPECT_EQ(e.text, L"Chapter " + text::toDecimal(static_cast<uint64_t>(i + 1)));
    EXPECT_EQ(e.radio, i == 49) << i;
    EXPECT_FALSE(e.greyed);
  }
  EXPECT_EQ(chapters->children[50].text, L"70 more on the seek bar");
  EXPECT_TRUE(chapters->children[50].greyed);
  EXPECT_EQ(chapters->children[50].id, 0u);
  // The submenu sits between the source submenus and "Audiobook mode".
  EXPECT_EQ(chapters - menu.data(), 5);

  // A current chapter past the fiftieth marks none.
  s.currentChapter = 60;
  menu = buildMainMenu(s);
  for (const MenuEntry& e : findSubmenu(menu, L"Chapters")->children) EXPECT_FALSE(e.radio);

  // Exactly fifty: no overflow line. None: no submenu.
  s.chapterCount = 50;
  s.chapterNames = chapterNames(50);
  EXPECT_EQ(findSubmenu(buildMainMenu(s), L"Chapters")->children.size(), 50u);
  s.chapterCount = 0;
  s.chapterNames.clear();
  EXPECT_EQ(findSubmenu(buildMainMenu(s), L"Chapters"), nullptr);
}

TEST(MenuModel, ChapterAtPosition) {
  const std::vector<uint32_t> starts = {1000, 5000, 9000};
  EXPECT_EQ(chapterAt(starts, 0, 1000), -1);
  EXPECT_EQ(chapterAt(starts, 999, 1000), -1);
  EXPECT_EQ(chapterAt(starts, 1000, 1000), 0);
  EXPECT_EQ(chapterAt(starts, 4999, 1000), 0);
  EXPECT_EQ(chapterAt(starts, 5000, 1000), 1);
  EXPECT_EQ(chapterAt(starts, 1ull << 40, 1000), 2);
  EXPECT_EQ(chapterAt({}, 5, 44100), -1);
  EXPECT_EQ(chapterAt(starts, 5, 0), -1);

  // At 22050 Hz a seek to 650 ms lands on frame 14332, which reads back as 649 ms: that
  // frame is still in the chapter starting at 650 ms.
  const std::vector<uint32_t> odd = {0, 300, 650};
  EXPECT_EQ(chapterAt(odd, msToFrames(650, 22050), 22050), 2);
  EXPECT_EQ(chapterAt(odd, msToFrames(650, 22050) - 1, 22050), 1);
}

TEST(MenuModel, OnlyHttpsPagesAreOpened) {
  EXPECT_TRUE(isWebPageUrl(L"https://example.org/stations"));
  EXPECT_TRUE(isWebPageUrl(L"HtTpS://example.org"));
  EXPECT_FALSE(isWebPageUrl(L"http://example.org"));
  EXPECT_FALSE(isWebPageUrl(L"https:/example.org"));
  EXPECT_FALSE(isWebPageUrl(L" https://example.org"));
  EXPECT_FALSE(isWebPageUrl(L"file:///C:/Windows/notepad.exe"));
  EXPECT_FALSE(isWebPageUrl(L"C:\\Windows\\notepad.exe"));
  EXPECT_FALSE(isWebPageUrl(L""));
}

TEST(MenuModel, FieldTextIsCutAndTrimmed) {
  EXPECT_EQ(trimFieldText(L" \thttp://host/feed.xml \t "), L"http://host/feed.xml");
  EXPECT_EQ(trimFieldText(L"a b"), L"a b");          // inner blanks stay
  EXPECT_EQ(trimFieldText(L"\r\nx\n"), L"\r\nx\n");  // only spaces and tabs are trimmed
  EXPECT_EQ(trimFieldText(L" \t \t"), L"");
  EXPECT_EQ(trimFieldText(L""), L"");

  std::wstring longText = L"  " + std::wstring(3000, L'u');
  EXPECT_EQ(trimFieldText(longText), std::wstring(2098, L'u'));
  // Blanks that end up last after the cut are trimmed too.
  std::wstring cutAtBlank = std::wstring(2095, L'v') + std::wstring(10, L' ') + L"w";
  EXPECT_EQ(trimFieldText(cutAtBlank), std::wstring(2095, L'v'));
}

}  // namespace
