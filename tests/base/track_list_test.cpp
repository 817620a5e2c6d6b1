#include "base/track_list.h"

#include "base/text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace {

TrackList listOf(std::initializer_list<const wchar_t*> paths) {
  TrackList list;
  for (const wchar_t* p : paths) EXPECT_TRUE(list.addTrack(p));
  return list;
}

std::wstring num(uint64_t value) { return text::toDecimal(value); }

// "C:\Music\<i> Track.mp3" for i from 0.
TrackList numberedList(size_t count) {
  TrackList list;
  for (size_t i = 0; i < count; ++i) list.addTrack(L"C:\\Music\\" + num(i) + L" Track.mp3");
  return list;
}

std::vector<std::wstring> pathsOf(const TrackList& list) {
  std::vector<std::wstring> paths;
  for (size_t i = 0; i < list.size(); ++i) paths.emplace_back(list.path(i));
  return paths;
}

// Every index the list keeps is inside it; the orders hold no index twice.
void expectConsistent(const TrackList& list) {
  const int64_t n = static_cast<int64_t>(list.size());
  ASSERT_TRUE(list.current >= -1 && list.current < n);
  ASSERT_LE(list.orderPosition, list.order.size());
  ASSERT_LE(list.history.size(), TrackList::kMaxHistory);
  for (const auto* indices : {&list.order, &list.nextOrder}) {
    std::set<uint32_t> seen;
    for (uint32_t i : *indices) {
      ASSERT_LT(int64_t(i), n);
      ASSERT_TRUE(seen.insert(i).second) << "index " << i << " twice";
    }
  }
  for (uint32_t i : list.history) ASSERT_LT(int64_t(i), n);
}

}  // namespace

TEST(TrackListNames, StemsAndDisplayNames) {
  TrackList list =
      listOf({L"C:\\Music\\Album\\01 - Intro.mp3", L"C:\\Music\\", L"D:/x/.hidden",
              L"C:\\a\\b.c.mp3", L"song", L"C:\\v1.2\\noext", L"x\\name.", L"x/.a.mp3"});
  const std::wstring stems[] = {L"01 - Intro", L"",      L".hidden", L"b.c",
                                L"song",       L"noext", L"name",    L".a"};
  for (size_t i = 0; i < list.size(); ++i) {
    EXPECT_EQ(list.stem(i), stems[i]) << i;
    EXPECT_EQ(list.displayName(i), stems[i]) << i;
    EXPECT_EQ(list.title(i), L"");
  }
  EXPECT_EQ(list.tracks[1].nameStart, 9);  // an empty name starts at the path's end
  EXPECT_EQ(list.path(0), L"C:\\Music\\Album\\01 - Intro.mp3");
  EXPECT_EQ(std::wstring(list.pathCString(3)), L"C:\\a\\b.c.mp3");
  EXPECT_EQ(list.displayName(99), L"");
  EXPECT_EQ(std::wstring(list.pathCString(99)), L"");
}

TEST(TrackListNames, RefusesPathsItCannotHold) {
  TrackList list;
  std::wstring longest(65535, L'a');
  longest[2] = L'\\';
  EXPECT_TRUE(list.addTrack(longest));
  EXPECT_EQ(list.path(0).size(), 65535u);
  EXPECT_EQ(list.stem(0).size(), 65532u);
  EXPECT_FALSE(list.addTrack(longest + L"a"));
  EXPECT_FALSE(list.addTrack(L""));
  EXPECT_FALSE(list.addTrack(std::wstring(L"C:\\a\0b.mp3", 10)));
  EXPECT_EQ(list.size(), 1u);
  EXPECT_EQ(list.pool.size(), 65536u);
}

// A folder and a name make the same entry as the path they join into.
TEST(TrackListNames, FolderAndNameAddAsTheirPath) {
  const std::pair<std::wstring, std::wstring> parts[] = {{L"C:\\Music\\", L"01 - Intro.mp3"},
                                                         {L"C:\\a\\", L"b.c.mp3"},
                                                         {L"x/", L".a.mp3"},
                                                         {L"C:\\M\\", L"sub\\x.mp3"},
                                                         {L"C:\\v1.", L"2"},
                                                         {L"C:\\M", L"\\n."},
                                                         {L"", L"song"},
                                                         {L"C:\\", L""}};
  TrackList joined, parted;
  for (const auto& [folder, name] : parts) {
    ASSERT_TRUE(joined.addTrack(folder + name));
    ASSERT_TRUE(parted.addTrack(folder, name));
  }
  ASSERT_EQ(parted.size(), joined.size());
  for (size_t i = 0; i < joined.size(); ++i) {
    EXPECT_EQ(parted.path(i), joined.path(i)) << i;
    EXPECT_EQ(parted.tracks[i].nameStart, joined.tracks[i].nameStart) << i;
    EXPECT_EQ(parted.tracks[i].nameLength, joined.tracks[i].nameLength) << i;
  }
  EXPECT_FALSE(parted.addTrack(std::wstring(L"C:\\a\0\\", 6), L"b.mp3"));
  EXPECT_FALSE(parted.addTrack(L"", L""));
  EXPECT_FALSE(parted.addTrack(std::wstring(65530, L'a') + L"\\", L"b.mp3"));
  EXPECT_EQ(parted.size(), joined.size());
}

TEST(TrackListNames, SetTitleReusesOrAppendsItsSlot) {
  TrackList list = listOf({L"C:\\a\\one.mp3", L"C:\\a\\two.mp3"});
  const size_t base = list.pool.size();
  list.setTitle(0, L"Hello");
  EXPECT_EQ(list.pool.size(), base + 5);
  EXPECT_EQ(list.tracks[0].titleOffset, base);
  EXPECT_EQ(list.displayName(0), L"Hello");

  list.setTitle(0, L"Hi");  // fits the old slot
  EXPECT_EQ(list.pool.size(), base + 5);
  EXPECT_EQ(list.tracks[0].titleOffset, base);
  EXPECT_EQ(list.displayName(0), L"Hi");

  list.setTitle(0, L"Hi");  // unchanged title: nothing to do
  EXPECT_EQ(list.pool.size(), base + 5);

  list.setTitle(0, L"Hey");  // longer than the slot now in use
  EXPECT_EQ(list.pool.size(), base + 8);
  EXPECT_EQ(list.tracks[0].titleOffset, base + 5);
  EXPECT_EQ(list.displayName(0), L"Hey");
  EXPECT_EQ(list.displayName(1), L"two");

  list.setTitle(0, L"");
  EXPECT_EQ(list.displayName(0), L"one");
  list.setTitle(5, L"ignored");
  EXPECT_EQ(list.pool.size(), base + 8);

  list.setTitle(1, std::wstring(70000, L't'));
  EXPECT_EQ(list.displayName(1).size(), 65535u);
}

TEST(TrackListNames, TextFromTheListItselfSurvivesPoolGrowth) {
  TrackList list = listOf({L"C:\\a\\first.mp3", L"C:\\a\\second.mp3"});
  list.releaseSpareCapacity();
  EXPECT_TRUE(list.addTrack(list.path(0)));
  EXPECT_EQ(list.path(2), L"C:\\a\\first.mp3");
  list.releaseSpareCapacity();
  list.setTitle(1, list.path(1));
  EXPECT_EQ(list.displayName(1), L"C:\\a\\second.mp3");
}

TEST(TrackListFind, ExactAndIgnoringCase) {
  TrackList empty;
  EXPECT_EQ(empty.find(L"x"), -1);
  TrackList list = listOf(
      {L"C:\\Music\\A.mp3", L"C:\\Music\\b.mp3", L"C:\\Music\\A.mp3", L"C:\\\x416\\\x436.mp3"});
  EXPECT_EQ(list.find(L"C:\\Music\\A.mp3"), 0);
  EXPECT_EQ(list.find(L"C:\\Music\\a.mp3"), -1);
  EXPECT_EQ(list.find(L"C:\\Music\\A.mp"), -1);
  EXPECT_EQ(list.find(L"C:\\Music\\A.mp3x"), -1);
  EXPECT_EQ(list.findIgnoringCase(L"c:\\MUSIC\\B.MP3"), 1);
  EXPECT_EQ(list.findIgnoringCase(L"c:\\\x436\\\x416.MP3"), 3);
  EXPECT_EQ(list.findIgnoringCase(L"c:\\music\\c.mp3"), -1);
}

TEST(TrackListSort, CommonPrefixEndsAtASeparator) {
  EXPECT_EQ(listOf({L"C:\\a.mp3"}).commonPrefixLength(), 0u);
  EXPECT_EQ(
      listOf({L"C:\\Music\\Artist1\\a.mp3", L"C:\\Music\\Artist2\\b.mp3"}).commonPrefixLength(),
      9u);
  EXPECT_EQ(listOf({L"C:\\M\\a.mp3", L"C:\\M\\ab.mp3", L"C:\\M\\sub\\c.mp3"}).commonPrefixLength(),
            5u);
  EXPECT_EQ(listOf({L"/m/x/a.mp3", L"/m/x/b.mp3"}).commonPrefixLength(), 5u);
  EXPECT_EQ(listOf({L"a.mp3", L"b.mp3"}).commonPrefixLength(), 0u);
}

TEST(TrackListSort, NaturalOrderFilesBeforeSubfolders) {
  TrackList list = listOf({L"C:\\M\\sub\\1.mp3", L"C:\\M\\10.mp3", L"C:\\M\\2.mp3"});
  list.sort(list.commonPrefixLength());
  EXPECT_EQ(pathsOf(list),
            (std::vector<std::wstring>{L"C:\\M\\2.mp3", L"C:\\M\\10.mp3", L"C:\\M\\sub\\1.mp3"}));

  list = listOf({L"C:\\M\\a.mp3", L"C:\\M\\A.mp3"});
  list.sort(list.commonPrefixLength());
  EXPECT_EQ(pathsOf(list), (std::vector<std::wstring>{L"C:\\M\\A.mp3", L"C:\\M\\a.mp3"}));

  list = listOf({L"C:\\M\\B\\z.mp3", L"C:\\M\\a\\1.mp3", L"C:\\M\\b\\y.mp3", L"C:\\M\\z.mp3",
                 L"C:\\M\\Track 10.mp3", L"C:\\M\\Track 2.mp3"});
  list.sort(list.commonPrefixLength());
  EXPECT_EQ(pathsOf(list), (std::vector<std::wstring>{L"C:\\M\\Track 2.mp3", L"C:\\M\\Track 10.mp3",
                                                      L"C:\\M\\z.mp3", L"C:\\M\\a\\1.mp3",
                                                      L"C:\\M\\b\\y.mp3", L"C:\\M\\B\\z.mp3"}));
}

TEST(TrackListSort, ComparesOnlyTheFirst512UnitsOfANameByValue) {
  const std::wstring stem(600, L'x');
  TrackList list =
      listOf({(L"C:\\M\\" + stem + L"2.mp3").c_str(), (L"C:\\M\\" + stem + L"10.mp3").c_str()});
  list.sort(list.commonPrefixLength());
  // Equal over the compared part, so the code units decide: '1' before '2'.
  EXPECT_EQ(list.path(0), L"C:\\M\\" + stem + L"10.mp3");
}

TEST(TrackListOrder, RepeatModesAndBothPeekRules) {
  TrackList list = numberedList(3);
  list.current = 2;
  EXPECT_EQ(list.peekNextAuto(), -1);
  EXPECT_EQ(list.peekNextUser(), -1);
  EXPECT_EQ(list.advanceAuto(), -1);
  EXPECT_EQ(list.current, 2);

  list.repeat = RepeatMode::All;
  EXPECT_EQ(list.peekNextAuto(), 0);
  EXPECT_EQ(list.peekNextUser(), 0);

  list.repeat = RepeatMode::One;
  EXPECT_EQ(list.peekNextAuto(), 2);
  EXPECT_EQ(list.peekNextUser(), 0);
  EXPECT_EQ(list.advanceAuto(), 2);
  EXPECT_TRUE(list.history.empty());
  EXPECT_EQ(list.advanceUser(), 0);
  EXPECT_EQ(list.history.back(), 2u);
  EXPECT_EQ(list.advanceUser(), 1);

  list.current = -1;
  EXPECT_EQ(list.peekNextAuto(), 0);  // nothing to hold on to

  list.repeat = RepeatMode::Off;
  list.current = 0;
  EXPECT_EQ(list.previous(), 0);
  list.repeat = RepeatMode::All;
  EXPECT_EQ(list.previous(), 2);
  EXPECT_EQ(list.previous(), 1);

  TrackList empty;
  empty.repeat = RepeatMode::All;
  EXPECT_EQ(empty.peekNextUser(), -1);
  EXPECT_EQ(empty.previous(), -1);
}

TEST(TrackListOrder, ShuffleWithOneTrack) {
  TrackList list = numberedList(1);
  list.shuffle = true;
  list.current = 0;
  list.rebuildOrder();
  EXPECT_TRUE(list.order.empty());
  EXPECT_EQ(list.peekNextAuto(), -1);
  list.repeat = RepeatMode::All;
  EXPECT_EQ(list.peekNextAuto(), 0);
  EXPECT_EQ(list.nextOrder, std::vector<uint32_t>{0});
  EXPECT_EQ(list.advanceAuto(), 0);
  EXPECT_EQ(list.orderPosition, 1u);
}

TEST(TrackListOrder, EveryCycleIsAPermutationAndNeverRepeatsAcrossItsBoundary) {
  for (uint32_t seed = 1; seed <= 1500; ++seed) {
    const size_t n = 2 + seed % 5;
    TrackList list = numberedList(n);
    list.reseed(seed);
    list.shuffle = true;
    list.repeat = RepeatMode::All;
    list.current = static_cast<int64_t>(seed % n);
    list.rebuildOrder();
    ASSERT_EQ(std::count(list.order.begin(), list.order.end(), uint32_t(list.current)), 0);
    std::set<int64_t> firstCycle{list.current};
    while (list.orderPosition < list.order.size()) firstCycle.insert(list.advanceAuto());
    ASSERT_EQ(firstCycle.size(), n);
    for (int cycle = 0; cycle < 3; ++cycle) {
      const int64_t finished = list.current;
      ASSERT_NE(list.peekNextAuto(), finished) << "seed " << seed;
      std::set<int64_t> seen;
      for (size_t k = 0; k < n; ++k) seen.insert(list.advanceAuto());
      ASSERT_EQ(seen.size(), n) << "seed " << seed;
      expectConsistent(list);
    }
  }
}

TEST(TrackListOrder, SameSeedSameOrderAndMoveKeepsTheEngine) {
  TrackList a = numberedList(50), b = numberedList(50);
  EXPECT_EQ(a.engine, std::mt19937(TrackList::kInitialSeed));
  a.shuffle = b.shuffle = true;
  a.rebuildOrder();
  b.rebuildOrder();
  EXPECT_EQ(a.order, b.order);

  TrackList moved;
  moved.moveFrom(a);
  EXPECT_EQ(moved.engine, b.engine);
  moved.rebuildOrder();
  b.rebuildOrder();
  EXPECT_EQ(moved.order, b.order);

  b.reseed(5);
  b.rebuildOrder();
  EXPECT_NE(moved.order, b.order);
  moved.reseed(5);
  moved.rebuildOrder();
  EXPECT_EQ(moved.order, b.order);

  // The source is left a new list.
  EXPECT_TRUE(a.empty() && a.pool.empty() && a.order.empty());
  EXPECT_FALSE(a.shuffle);
  EXPECT_EQ(a.engine, std::mt19937(TrackList::kInitialSeed));
}

TEST(TrackListOrder, PreviousWalksBackFiveHundredTracksThenStays) {
  TrackList list = numberedList(1000);
  list.shuffle = true;
  list.repeat = RepeatMode::All;
  list.rebuildOrder();
  std::vector<int64_t> played;
  for (int i = 0; i < 700; ++i) played.push_back(list.advanceUser());
  EXPECT_EQ(list.history.size(), 500u);
  for (int back = 1; back <= 500; ++back) {
    ASSERT_EQ(list.previous(), played[played.size() - 1 - back]);
  }
  const int64_t oldest = list.current;
  EXPECT_EQ(list.previous(), oldest);
  EXPECT_EQ(list.current, oldest);
}

TEST(TrackListOrder, JumpToCountsTheTrackAsPlayed) {
  TrackList list = numberedList(10);
  list.shuffle = true;
  list.current = 3;
  list.rebuildOrder();
  list.advanceUser();
  const uint32_t chosen = list.order.back();
  const int64_t before = list.current;
  list.jumpTo(chosen);
  EXPECT_EQ(list.orderPosition, 2u);
  EXPECT_EQ(list.order[1], chosen);
  EXPECT_EQ(list.history.back(), uint32_t(before));
  EXPECT_EQ(list.current, chosen);
  const std::vector<uint32_t> order = list.order;
  list.jumpTo(3);  // not in this cycle's order: only history and current change
  EXPECT_EQ(list.order, order);
  EXPECT_EQ(list.orderPosition, 2u);
  list.jumpTo(10);
  list.jumpTo(-1);
  EXPECT_EQ(list.current, 3);
}

TEST(TrackListRemove, KeepsCurrentOrderAndHistoryValid) {
  TrackList list = numberedList(6);
  list.shuffle = true;
  list.current = 0;
  list.rebuildOrder();
  list.advanceUser();
  list.advanceUser();
  const uint32_t taken = list.order[0];
  const int64_t playing = list.current;
  list.remove(taken);  // a taken entry that is also in history
  EXPECT_EQ(list.orderPosition, 1u);
  EXPECT_EQ(list.order.size(), 4u);
  EXPECT_EQ(std::count(list.history.begin(), list.history.end(), taken), 0);
  EXPECT_EQ(list.current, playing > taken ? playing - 1 : playing);
  expectConsistent(list);

  const int64_t current = list.current;
  list.remove(current);
  EXPECT_EQ(list.current, -1);
  EXPECT_EQ(list.order.size(), 3u);
  EXPECT_TRUE(list.nextOrder.empty());
  expectConsistent(list);
  list.remove(5);
  list.remove(-1);
  EXPECT_EQ(list.size(), 4u);
  EXPECT_EQ(list.pathCString(0)[0], L'C');
}

TEST(TrackListRemove, InvariantsHoldUnderRandomOperations) {
  std::mt19937 rng(20240601);
  TrackList list = numberedList(40);
  for (int step = 0; step < 30000; ++step) {
    const int64_t n = static_cast<int64_t>(list.size());
    const int64_t any = n > 0 ? int64_t(rng() % (n + 2)) - 1 : -1;  // includes -1 and n
    switch (rng() % 12) {
      case 0:
        list.remove(any);
        break;
      case 1:
        list.addTrack(L"C:\\x\\" + num(step) + L".mp3");
        break;
      case 2:
        list.advanceAuto();
        break;
      case 3:
        list.advanceUser();
        break;
      case 4:
        list.previous();
        break;
      case 5:
        list.jumpTo(any);
        break;
      case 6:
        list.shuffle = !list.shuffle;
        list.rebuildOrder();
        break;
      case 7:
        list.repeat = static_cast<RepeatMode>(rng() % 3);
        break;
      case 8:
        ASSERT_LT(list.peekNextUser(), std::max<int64_t>(n, 1));
        break;
      case 9:
        ASSERT_LT(list.peekNextAuto(), std::max<int64_t>(n, 1));
        break;
      case 10:
        list.setTitle(size_t(any), num(step));
        break;
      case 11:
        list.remove(list.current);
        break;
    }
    expectConsistent(list);
    if (HasFatalFailure()) FAIL() << "after step " << step;
    if (list.size() < 3) {
      for (int k = 0; k < 20; ++k) list.addTrack(L"C:\\y\\" + num(k) + L".mp3");
    }
  }
}

TEST(TrackListRandom, DrawsAreUnbiasedAndUseOneOrTwoWords) {
  // With plain modulo, the values below 2^32 - 3 * 2^30 would come up twice as often.
  std::mt19937 engine(1);
  const uint64_t bound = 3ull << 30;
  int buckets[3] = {};
  for (int i = 0; i < 30000; ++i) buckets[TrackList::drawBelow(engine, bound) >> 30]++;
  for (int count : buckets) {
    EXPECT_GT(count, 9000);
    EXPECT_LT(count, 11000);
  }

  std::mt19937 small(3), smallReplica(3);
  EXPECT_LT(TrackList::drawBelow(small, 7), 7u);
  smallReplica.discard(1);
  EXPECT_EQ(small, smallReplica);

  std::mt19937 large(3), largeReplica(3);
  const uint64_t wide = (1ull << 32) + 5;
  const uint64_t value = TrackList::drawBelow(large, wide);
  const uint64_t high = largeReplica(), low = largeReplica();
  EXPECT_EQ(large, largeReplica);
  EXPECT_EQ(value, ((high << 32) | low) % wide);  // high word first
}

TEST(TrackListStorage, ClearAndReleaseKeepWhatTheyShould) {
  TrackList list = numberedList(5);
  list.shuffle = true;
  list.repeat = RepeatMode::All;
  list.rebuildOrder();
  list.advanceUser();
  list.advanceUser();
  list.releaseSpareCapacity();
  EXPECT_EQ(list.pool.capacity(), list.pool.size());
  EXPECT_EQ(list.tracks.capacity(), list.tracks.size());
  EXPECT_EQ(list.stem(4), L"4 Track");
  list.clear();
  EXPECT_TRUE(list.empty() && list.pool.empty() && list.order.empty() && list.history.empty());
  EXPECT_EQ(list.current, -1);
  EXPECT_EQ(list.orderPosition, 0u);
  EXPECT_TRUE(list.shuffle);
  EXPECT_EQ(list.repeat, RepeatMode::All);
}
