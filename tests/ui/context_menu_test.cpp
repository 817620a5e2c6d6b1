// The context menu as the shell makes it, and its commands carried out on the real main
// window with a real Player, its workers and its settings in a temporary folder.
#include <windows.h>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "base/messages.h"
#include "base/settings_file.h"
#include "base/text.h"
#include "player/player.h"
#include "tests/support/main_window_host.h"
#include "tests/support/modal_robot.h"
#include "tests/support/player_host.h"
#include "tests/support/wav_writer.h"
#include "tests/support/win_test_support.h"
#include "ui/context_menu.h"
#include "ui/dialogs.h"
#include "ui/main_window.h"
#include "ui/menu_model.h"

namespace {

using testsupport::findChild;
using testsupport::pressButton;
using testsupport::Robot;
using testsupport::RobotRun;

constexpr DWORD kWaitMs = 30000;

std::string toneWav(double seconds) { return testwav::tone(seconds, 8000); }

// The main window as start-up makes it, with the menu's commands run on it.
class MenuWindowHost : public testsupport::MainWindowHost {
 public:
  void run(UINT id, int64_t row = -1) const { runMenuCommand(w(), takeMenuSnapshot(w(), row), id); }
};

bool listHolds(const Player& p, const std::wstring& name) {
  for (size_t i = 0; i < p.trackList().size(); ++i) {
    if (p.trackList().displayName(i) == name) return true;
  }
  return false;
}

// The popup menu read back item by item must say what the entries say.
void expectMenuShows(HMENU menu, const std::vector<MenuEntry>& entries, const std::string& where) {
  ASSERT_EQ(GetMenuItemCount(menu), static_cast<int>(entries.size())) << where;
  for (size_t i = 0; i < entries.size(); ++i) {
    const MenuEntry& e = entries[i];
    const std::string at = where + "/" + std::to_string(i) + " " + text::wideToUtf8(e.text);
    wchar_t buffer[1024] = {};
    MENUITEMINFOW info = {};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_SUBMENU | MIIM_STRING;
    info.dwTypeData = buffer;
    info.cch = 1024;
    ASSERT_TRUE(GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &info)) << at;
    EXPECT_EQ((info.fType & MFT_SEPARATOR) != 0, e.separator) << at;
    if (e.separator) continue;
    EXPECT_EQ(std::wstring(buffer), e.text) << at;
    EXPECT_EQ((info.fState & MFS_GRAYED) != 0, e.greyed) << at;
    EXPECT_EQ((info.fState & MFS_CHECKED) != 0, e.checked || e.radio) << at;
    EXPECT_EQ((info.fType & MFT_RADIOCHECK) != 0, e.radio) << at;
    ASSERT_EQ(info.hSubMenu != nullptr, !e.children.empty()) << at;
    if (info.hSubMenu) {
      expectMenuShows(info.hSubMenu, e.children, at);
    } else {
      EXPECT_EQ(info.wID, e.id) << at;
    }
  }
}

// One item found by its command identifier anywhere in the menu.
struct FoundItem {
  bool found = false;
  std::wstring text;
  UINT type = 0, state = 0;
};
FoundItem itemById(HMENU menu, UINT id) {
  FoundItem item;
  wchar_t buffer[1024] = {};
  MENUITEMINFOW info = {};
  info.cbSize = sizeof(info);
  info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_STRING;
  info.dwTypeData = buffer;
  info.cch = 1024;
  if (GetMenuItemInfoW(menu, id, FALSE, &info)) {
    item = {true, buffer, info.fType, info.fState};
  }
  return item;
}

// Whether the menu made from a snapshot offers a command at its top level.
bool menuOffers(const MenuSnapshot& snap, UINT id) {
  for (const MenuEntry& e : buildMainMenu(snap.state)) {
    if (!e.separator && e.children.empty() && e.id == id) return true;
  }
  return false;
}

MenuState richState() {
  MenuState s;
  s.audiobook = true;
  s.folderOpen = false;
  s.includeSubfolders = true;
  for (int i = 0; i < 50; ++i) s.chapterNames.push_back(L"Part " + text::toDecimal(int64_t{i}));
  s.chapterNames[3] = L"Q&A";
  s.chapterCount = 120;
  s.currentChapter = 3;
  s.backToLabel = L"Back to 1:02:03 (Book.m4b)";
  s.hasRow = true;
  s.rowText = L"Rock & Roll";
  s.topmost = true;
  s.opacity = 80;
  return s;
}

TEST(ContextMenuHandle, ReadsBackAsTheModelSaysWithMarksAndStates) {
  const MenuState state = richState();
  const std::vector<MenuEntry> entries = buildMainMenu(state);
  base::ScopedMenu made = createMenuFromEntries(entries);
  ASSERT_TRUE(made);
  HMENU menu = made.get();
  expectMenuShows(menu, entries, "main");

  // A few of the same facts looked up by command, as the shell reports them.
  const FoundItem remove = itemById(menu, kCmdRemoveRow);
  EXPECT_EQ(remove.text, L"Remove \"Rock && Roll\" from the list");
  const FoundItem chapter = itemById(menu, kCmdChapterFirst + 3);
  EXPECT_EQ(chapter.text, L"Q&&A");
  EXPECT_TRUE((chapter.type & MFT_RADIOCHECK) && (chapter.state & MFS_CHECKED));
  const FoundItem opacity = itemById(menu, kCmdOpacityFirst + 2);
  EXPECT_EQ(opacity.text, L"80%");
  EXPECT_TRUE((opacity.type & MFT_RADIOCHECK) && (opacity.state & MFS_CHECKED));
  EXPECT_TRUE(itemById(menu, kCmdRescan).state & MFS_GRAYED);

  MenuState library;
  library.folderOpen = true;
  const std::vector<MenuEntry> plain = buildMainMenu(library);
  made = createMenuFromEntries(plain);
  ASSERT_TRUE(made);
  expectMenuShows(made.get(), plain, "library");
}

class ContextMenuCommands : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(com_.ok());
    ASSERT_TRUE(host_.ok());
    ASSERT_TRUE(testsupport::writeFile(music_.path(L"a & b.wav"), toneWav(1)));
    ASSERT_TRUE(testsupport::writeFile(music_.path(L"c.wav"), toneWav(1)));
    ASSERT_TRUE(CreateDirectoryW(music_.path(L"sub").c_str(), nullptr));
    ASSERT_TRUE(testsupport::writeFile(music_.path(L"sub\\d.wav"), toneWav(1)));
  }

  // COM on this thread, as the program's start-up sets it up for the shell's dialogs.
  base::ComApartment com_{COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE};
  testsupport::TempFolder music_{L"twk_menu_music_"};
  MenuWindowHost host_;
};

TEST_F(ContextMenuCommands, SnapshotDescribesThePlayerAndWindow) {
  MenuSnapshot snap = takeMenuSnapshot(host_.w(), 0);
  EXPECT_FALSE(snap.state.folderOpen);
  EXPECT_FALSE(snap.state.hasRow);  // no list yet: the row does not exist
  EXPECT_TRUE(snap.state.topmost);
  EXPECT_EQ(snap.state.opacity, 100);

  ASSERT_TRUE(host_.open(music_.root(), true));
  ASSERT_EQ(host_.player().trackList().size(), 3u);
  snap = takeMenuSnapshot(host_.w(), 0);
  EXPECT_TRUE(snap.state.folderOpen);
  EXPECT_TRUE(snap.state.includeSubfolders);
  EXPECT_TRUE(snap.state.hasRow);
  EXPECT_EQ(snap.row, 0);
  EXPECT_EQ(snap.state.rowText, std::wstring(host_.player().trackList().displayName(0)));
  EXPECT_EQ(snap.state.chapterCount, 0u);
  EXPECT_EQ(takeMenuSnapshot(host_.w(), 3).row, -1);
  EXPECT_FALSE(takeMenuSnapshot(host_.w(), -1).state.hasRow);
}

TEST_F(ContextMenuCommands, OpacityStepsLayerTheWindow) {
  const HWND hwnd = host_.hwnd();
  for (int step : {90, 50, 70, 100, 60}) {
    SCOPED_TRACE(step);
    size_t i = 0;
    while (kOpacitySteps[i] != step) ++i;
    host_.run(kCmdOpacityFirst + static_cast<UINT>(i));
    EXPECT_EQ(host_.player().buildSettings().opacity, step);
    const bool layered = (GetWindowLongPtrW(hwnd, GWL_EXSTYLE) & WS_EX_LAYERED) != 0;
    EXPECT_EQ(layered, step < 100);
    if (layered) {
      BYTE alpha = 0;
      DWORD flags = 0;
      ASSERT_TRUE(GetLayeredWindowAttributes(hwnd, nullptr, &alpha, &flags));
      EXPECT_EQ(alpha, MulDiv(step, 255, 100));
      EXPECT_TRUE(flags & LWA_ALPHA);
    }
    EXPECT_EQ(takeMenuSnapshot(host_.w(), -1).state.opacity, step);
  }
}

TEST_F(ContextMenuCommands, TopmostAndMiniModeFollowWhatTheMenuShowed) {
  const HWND hwnd = host_.hwnd();
  const MenuSnapshot shown = takeMenuSnapshot(host_.w(), -1);
  ASSERT_TRUE(shown.state.topmost);
  runMenuCommand(host_.w(), shown, kCmdAlwaysOnTop);
  EXPECT_FALSE(GetWindowLongPtrW(hwnd, GWL_EXSTYLE) & WS_EX_TOPMOST);
  EXPECT_FALSE(host_.player().buildSettings().topmost);
  // The same menu chosen from again sets the state it offered, it does not flip it back.
  runMenuCommand(host_.w(), shown, kCmdAlwaysOnTop);
  EXPECT_FALSE(host_.player().buildSettings().topmost);
  host_.run(kCmdAlwaysOnTop);
  EXPECT_TRUE(host_.player().buildSettings().topmost);
  EXPECT_TRUE(takeMenuSnapshot(host_.w(), -1).state.topmost);

  ASSERT_FALSE(host_.w().miniMode);
  host_.run(kCmdMiniMode);
  EXPECT_TRUE(host_.w().miniMode);
  EXPECT_TRUE(host_.player().buildSettings().miniMode);
  EXPECT_TRUE(takeMenuSnapshot(host_.w(), -1).state.miniMode);
  host_.run(kCmdMiniMode);
  EXPECT_FALSE(host_.w().miniMode);
}

TEST_F(ContextMenuCommands, IncludeSubfoldersFlipsAndRescans) {
  Player& p = host_.player();
  // Without a folder only the flag changes.
  const bool before = p.view().includeSubfolders;
  host_.run(kCmdIncludeSubfolders);
  EXPECT_EQ(p.view().includeSubfolders, !before);
  EXPECT_EQ(p.view().pendingScanId, 0u);
  EXPECT_TRUE(p.trackList().empty());

  ASSERT_TRUE(host_.open(music_.root(), true));
  ASSERT_EQ(p.trackList().size(), 3u);
  host_.run(kCmdIncludeSubfolders);
  EXPECT_FALSE(p.view().includeSubfolders);
  ASSERT_TRUE(
      host_.waitFor([&] { return p.view().pendingScanId == 0 && p.trackList().size() == 2; }));
  EXPECT_FALSE(listHolds(p, L"d"));

  host_.run(kCmdIncludeSubfolders);
  EXPECT_TRUE(p.view().includeSubfolders);
  ASSERT_TRUE(
      host_.waitFor([&] { return p.view().pendingScanId == 0 && p.trackList().size() == 3; }));

  // Rescan finds what was added since.
  ASSERT_TRUE(testsupport::writeFile(music_.path(L"e.wav"), toneWav(1)));
  host_.run(kCmdRescan);
  ASSERT_TRUE(
      host_.waitFor([&] { return p.view().pendingScanId == 0 && p.trackList().size() == 4; }));
  EXPECT_TRUE(listHolds(p, L"e"));
  EXPECT_TRUE(p.view().includeSubfolders);
  EXPECT_NE(p.view().playState, PlayState::Playing);  // a rescan does not start playback
}

TEST_F(ContextMenuCommands, RemoveActsOnlyOnTheRowTheMenuShowed) {
  Player& p = host_.player();
  ASSERT_TRUE(host_.open(music_.root(), true));
  ASSERT_EQ(p.trackList().size(), 3u);

  // The row moved while the menu was open: another track is at its index now.
  const MenuSnapshot onRow1 = takeMenuSnapshot(host_.w(), 1);
  const std::wstring shownText = onRow1.state.rowText;
  p.removeRow(0);
  ASSERT_EQ(p.trackList().size(), 2u);
  runMenuCommand(host_.w(), onRow1, kCmdRemoveRow);
  EXPECT_EQ(p.trackList().size(), 2u);
  EXPECT_TRUE(listHolds(p, shownText));

  // The row is gone altogether.
  const MenuSnapshot onLast = takeMenuSnapshot(host_.w(), 1);
  p.removeRow(1);
  runMenuCommand(host_.w(), onLast, kCmdRemoveRow);
  EXPECT_EQ(p.trackList().size(), 1u);

  // Unchanged: removed.
  const MenuSnapshot fresh = takeMenuSnapshot(host_.w(), 0);
  ASSERT_TRUE(fresh.state.hasRow);
  runMenuCommand(host_.w(), fresh, kCmdRemoveRow);
  EXPECT_TRUE(p.trackList().empty());
}

TEST_F(ContextMenuCommands, AudiobookModeSwitchesAndSaves) {
  Player& p = host_.player();
  ASSERT_TRUE(host_.open(music_.root(), true));
  host_.run(kCmdAudiobook);
  EXPECT_TRUE(p.view().audiobook);
  EXPECT_TRUE(loadSettings(host_.settingsPath()).audiobook);
  EXPECT_EQ(loadSettings(host_.settingsPath()).folder, music_.root());
  const MenuSnapshot book = takeMenuSnapshot(host_.w(), -1);
  EXPECT_TRUE(book.state.audiobook);
  EXPECT_FALSE(book.state.folderOpen);  // no book yet

  host_.run(kCmdAudiobook);
  EXPECT_FALSE(p.view().audiobook);
  EXPECT_FALSE(loadSettings(host_.settingsPath()).audiobook);
  ASSERT_TRUE(
      host_.waitFor([&] { return p.view().pendingScanId == 0 && p.trackList().size() == 3; }));
  // A stale menu that still shows library mode does not switch a second time.
  runMenuCommand(host_.w(), book, kCmdAudiobook);
  EXPECT_FALSE(p.view().audiobook);
}

TEST_F(ContextMenuCommands, BackToReturnsToTheRecordedPlace) {
  Player& p = host_.player();
  const std::wstring book = music_.path(L"book.wav");
  ASSERT_TRUE(testsupport::writeFile(book, toneWav(10)));
  host_.run(kCmdAudiobook);
  ASSERT_TRUE(p.view().audiobook);
  ASSERT_TRUE(host_.loadPaused(book, book, 0));
  ASSERT_EQ(p.trackList().size(), 1u);
  EXPECT_FALSE(menuOffers(takeMenuSnapshot(host_.w(), -1), kCmdBackTo));

  // A confirmed jump from 0:02 to 0:07 leaves a place to go back to.
  p.seekTo(2000);
  {
    Robot yes = testsupport::messageBoxRobot(IDYES);
    RobotRun run(yes);
    p.jumpToFraction(0.7);
    ASSERT_TRUE(yes.acted);
  }
  ASSERT_EQ(p.positionMs(), 7000u);
  const MenuSnapshot snap = takeMenuSnapshot(host_.w(), -1);
  EXPECT_EQ(snap.state.backToLabel, L"Back to 0:02 (book.wav)");
  ASSERT_TRUE(menuOffers(snap, kCmdBackTo));
  runMenuCommand(host_.w(), snap, kCmdBackTo);
  EXPECT_EQ(p.positionMs(), 2000u);
  // The place left is the one to come back to now.
  EXPECT_EQ(p.view().undo.positionMs, 7000u);
}

// Picks `path` in the shell dialog of this caption, then answers the audiobook question.
struct PickThenAnswer {
  PickThenAnswer(const std::wstring& dialogCaption, const std::wstring& path, int button)
      : pick{L"#32770", dialogCaption,
             [path](HWND dialog) {
               if (HWND edit = findChild(dialog, L"Edit", L"")) SetWindowTextW(edit, path.c_str());
               pressButton(dialog, IDOK);
             }},
        answer(testsupport::messageBoxRobot(button, &seen)) {
    answer.caption = L"Audiobook mode";
    pick.then = &answer;
  }
  bool done() const { return pick.acted && answer.acted && !pick.gaveUp && !answer.gaveUp; }

  testsupport::SeenBox seen;
  Robot pick;
  Robot answer;
};

TEST_F(ContextMenuCommands, InAudiobookModeOpeningFromTheDialogsAsksAndBackToReturns) {
  Player& p = host_.player();
  testsupport::TempFolder books(L"twk_menu_books_");
  const std::wstring first = books.path(L"First");
  const std::wstring second = books.path(L"Second");
  ASSERT_TRUE(CreateDirectoryW(first.c_str(), nullptr));
  ASSERT_TRUE(CreateDirectoryW(second.c_str(), nullptr));
  const std::wstring firstPart = books.write(L"First\\part.wav", testwav::silence(120, 1000));
  const std::wstring secondPart = books.write(L"Second\\one.wav", testwav::silence(120, 1000));
  const std::wstring novel = books.write(L"novel.wav", testwav::silence(120, 1000));
  host_.run(kCmdAudiobook);
  ASSERT_TRUE(p.view().audiobook);
  ASSERT_TRUE(host_.loadPaused(first, firstPart, 3000));

  // "Open folder..." answered No: the book and the place stay.
  {
    PickThenAnswer no(L"Open folder", second, IDNO);
    {
      RobotRun run(no.pick);
      host_.run(kCmdOpenFolder);
    }
    ASSERT_TRUE(no.done());
    EXPECT_EQ(no.seen.text, L"Open Second?\n\nNow at 0:03 in part.");
  }
  EXPECT_EQ(p.view().sourceFolder, first);
  EXPECT_TRUE(testsupport::pausedOn(p, firstPart));
  EXPECT_EQ(p.positionMs(), 3000u);
  EXPECT_FALSE(p.view().undo.set);

  // The button answered Yes: the other book plays, and Back to returns to the place left.
  {
    PickThenAnswer yes(L"Open folder", second, IDYES);
    {
      RobotRun run(yes.pick);
      host_.click(kIdOpenFolder);
    }
    ASSERT_TRUE(yes.done());
  }
  ASSERT_TRUE(host_.waitFor([&] { return testsupport::playsNow(p, secondPart); }));
  EXPECT_EQ(p.view().sourceFolder, second);
  EXPECT_EQ(p.view().backToLabel, L"Back to 0:03 (part.wav)");
  host_.run(kCmdBackTo);
  ASSERT_TRUE(host_.waitFor([&] { return testsupport::playsNow(p, firstPart); }));
  EXPECT_EQ(p.view().sourceFolder, first);
  EXPECT_GE(p.positionMs(), 3000u);
  p.pause();
  const uint64_t place = p.positionMs();

  // "Open book file..." asks the same way.
  {
    PickThenAnswer no(L"Open book file", novel, IDNO);
    {
      RobotRun run(no.pick);
      host_.run(kCmdOpenBook);
    }
    ASSERT_TRUE(no.done());
    EXPECT_EQ(no.seen.text.rfind(L"Open novel.wav?\n\nNow at ", 0), 0u)
        << text::wideToUtf8(no.seen.text);
  }
  EXPECT_EQ(p.view().sourceFolder, first);
  EXPECT_TRUE(testsupport::pausedOn(p, firstPart));
  EXPECT_EQ(p.positionMs(), place);
  {
    PickThenAnswer yes(L"Open book file", novel, IDYES);
    {
      RobotRun run(yes.pick);
      host_.run(kCmdOpenBook);
    }
    ASSERT_TRUE(yes.done());
  }
  ASSERT_TRUE(host_.waitFor([&] { return testsupport::playsNow(p, novel); }));
  EXPECT_EQ(p.view().sourceFolder, novel);
  EXPECT_TRUE(text::equalsOrdinalIgnoreCase(p.view().undo.path, firstPart));
  EXPECT_EQ(p.view().undo.positionMs, place / 1000 * 1000);
  host_.run(kCmdBackTo);
  ASSERT_TRUE(host_.waitFor([&] { return testsupport::playsNow(p, firstPart); }));
  EXPECT_GE(p.positionMs(), place / 1000 * 1000);
}

TEST_F(ContextMenuCommands, ChapterEntriesSeekWithinTheTrackTheyWereListedFor) {
  Player& p = host_.player();
  // The ffmpeg-made fixture: three chapters at 0, 300 and 650 ms.
  const std::wstring fixture = L"" TWK_SOURCE_DIR "/tests/data/tags/id3v23_chapters.mp3";
  ASSERT_TRUE(host_.loadPaused(fixture, fixture, 0));
  ASSERT_EQ(p.trackList().size(), 1u);
  const std::wstring path(p.trackList().path(0));
  ASSERT_EQ(p.view().playing.chapterStarts, (std::vector<uint32_t>{0, 300, 650}));

  MenuSnapshot snap = takeMenuSnapshot(host_.w(), -1);
  EXPECT_EQ(snap.state.chapterCount, 3u);
  ASSERT_EQ(snap.state.chapterNames.size(), 3u);
  EXPECT_EQ(snap.state.chapterNames[2], L"Finale");
  EXPECT_EQ(snap.state.currentChapter, 0);

  // Listed for another track: ignored.
  MenuSnapshot stale = snap;
  stale.playingId = p.view().playing.id + 1;
  runMenuCommand(host_.w(), stale, kCmdChapterFirst + 2);
  EXPECT_EQ(p.currentPositionFrames(), 0u);

  // Chapter starts are reached at their frame (650 ms is not a whole frame at 22050 Hz).
  const uint32_t rate = p.view().playing.sampleRate;
  runMenuCommand(host_.w(), snap, kCmdChapterFirst + 2);
  EXPECT_EQ(p.currentPositionFrames(), msToFrames(650, rate));
  EXPECT_EQ(takeMenuSnapshot(host_.w(), -1).state.currentChapter, 2);
  runMenuCommand(host_.w(), snap, kCmdChapterFirst + 1);
  EXPECT_EQ(p.currentPositionFrames(), msToFrames(300, rate));
  // A chapter the track does not have.
  runMenuCommand(host_.w(), snap, kCmdChapterFirst + 7);
  EXPECT_EQ(p.currentPositionFrames(), msToFrames(300, rate));

  // The menu made from this state has the chapters with the radio mark on the current one.
  const base::ScopedMenu menu =
      createMenuFromEntries(buildMainMenu(takeMenuSnapshot(host_.w(), -1).state));
  ASSERT_TRUE(menu);
  EXPECT_TRUE(itemById(menu.get(), kCmdChapterFirst + 1).state & MFS_CHECKED);
  EXPECT_FALSE(itemById(menu.get(), kCmdChapterFirst).state & MFS_CHECKED);
}

TEST_F(ContextMenuCommands, ExitClosesTheWindow) {
  const HWND hwnd = host_.hwnd();
  host_.run(kCmdExit);
  EXPECT_TRUE(IsWindow(hwnd));  // posted, not sent
  EXPECT_TRUE(host_.waitFor([&] { return !IsWindow(hwnd); }));
}

TEST_F(ContextMenuCommands, KeyboardMenuOpensAtTheWindowCorner) {
  ASSERT_TRUE(host_.open(music_.root(), true));
  RECT frame = {};
  GetWindowRect(host_.hwnd(), &frame);
  RECT menuRect = {};
  int itemCount = -1;
  Robot robot{L"#32768", L"", [&](HWND menuWindow) {
                GetWindowRect(menuWindow, &menuRect);
                const HMENU menu =
                    reinterpret_cast<HMENU>(SendMessageW(menuWindow, MN_GETHMENU, 0, 0));
                itemCount = menu ? GetMenuItemCount(menu) : -1;
                EndMenu();
              }};
  {
    RobotRun run(robot);
    showContextMenu(host_.w(), POINT{-1, -1}, 1);
  }
  ASSERT_TRUE(robot.acted);
  EXPECT_FALSE(robot.gaveUp);
  EXPECT_EQ(menuRect.left, frame.left + host_.w().scaled(8));
  EXPECT_EQ(menuRect.top, frame.top + host_.w().scaled(8));
  // On a row: the library entries, the separator and remove entry, the rest.
  EXPECT_EQ(itemCount,
            static_cast<int>(buildMainMenu(takeMenuSnapshot(host_.w(), 1).state).size()));
  EXPECT_EQ(host_.player().trackList().size(), 3u);  // dismissed: nothing was done
}

TEST_F(ContextMenuCommands, FolderDialogStartsInTheFolderAndReturnsTheCheckBox) {
  std::wstring seenCheckText;
  bool checkedAtStart = false;
  Robot robot{L"#32770", L"Open folder", [&](HWND dialog) {
                if (HWND check = findChild(dialog, L"Button", L"Include subfolders")) {
                  seenCheckText = L"Include subfolders";
                  checkedAtStart = SendMessageW(check, BM_GETCHECK, 0, 0) == BST_CHECKED;
                  SendMessageW(check, BM_CLICK, 0, 0);
                }
                // A name typed relative to the folder the dialog opened in.
                if (HWND edit = findChild(dialog, L"Edit", L"")) SetWindowTextW(edit, L"sub");
                pressButton(dialog, IDOK);
              }};
  bool include = true;
  std::wstring folder;
  bool picked = false;
  {
    RobotRun run(robot);
    picked = pickFolder(host_.hwnd(), music_.root(), include, folder);
  }
  ASSERT_TRUE(robot.acted);
  EXPECT_FALSE(robot.gaveUp);
  EXPECT_EQ(seenCheckText, L"Include subfolders");
  EXPECT_TRUE(checkedAtStart);
  ASSERT_TRUE(picked);
  EXPECT_TRUE(text::equalsOrdinalIgnoreCase(folder, music_.path(L"sub")))
      << text::wideToUtf8(folder);
  EXPECT_FALSE(include);

  // Cancelled: nothing changes.
  Robot cancel{L"#32770", L"Open folder", [](HWND dialog) { pressButton(dialog, IDCANCEL); }};
  include = false;
  folder = L"unchanged";
  {
    RobotRun run(cancel);
    picked = pickFolder(host_.hwnd(), music_.root(), include, folder);
  }
  ASSERT_TRUE(cancel.acted);
  EXPECT_FALSE(cancel.gaveUp);
  EXPECT_FALSE(picked);
  EXPECT_FALSE(include);
  EXPECT_EQ(folder, L"unchanged");
}

TEST_F(ContextMenuCommands, BookFileDialogReturnsTheChosenFile) {
  const std::wstring file = music_.path(L"c.wav");
  Robot robot{L"#32770", L"Open book file", [&](HWND dialog) {
                if (HWND edit = findChild(dialog, L"Edit", L"")) {
                  SetWindowTextW(edit, file.c_str());
                }
                pressButton(dialog, IDOK);
              }};
  std::wstring path;
  bool picked = false;
  {
    RobotRun run(robot);
    picked = pickBookFile(host_.hwnd(), path);
  }
  ASSERT_TRUE(robot.acted);
  EXPECT_FALSE(robot.gaveUp);
  ASSERT_TRUE(picked);
  EXPECT_TRUE(text::equalsOrdinalIgnoreCase(path, file)) << text::wideToUtf8(path);

  Robot cancel{L"#32770", L"Open book file", [](HWND dialog) { pressButton(dialog, IDCANCEL); }};
  path = L"unchanged";
  {
    RobotRun run(cancel);
    picked = pickBookFile(host_.hwnd(), path);
  }
  ASSERT_TRUE(cancel.acted);
  EXPECT_FALSE(cancel.gaveUp);
  EXPECT_FALSE(picked);
  EXPECT_EQ(path, L"unchanged");
}

TEST(ContextMenuPages, OnlyHttpsPagesAreOpened) {
  EXPECT_FALSE(openWebPage(L"http://example.org/"));
  EXPECT_FALSE(openWebPage(L"file:///C:/windows/system32/notepad.exe"));
  EXPECT_FALSE(openWebPage(L"C:\\windows\\system32\\notepad.exe"));
  EXPECT_FALSE(openWebPage(L""));
}

}  // namespace
