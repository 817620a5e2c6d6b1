// The track list: every path and title in one pooled buffer, 16-byte entries pointing into it,
// and the list's own shuffle cycles, play history and random engine. Serves folders,
// audiobooks, podcast feeds and audio CDs alike. Portable: no platform headers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <random>
#include <string_view>
#include <vector>

// The user's repeat choice, by its value in settings.ini.
enum class RepeatMode : uint8_t { Off = 0, All = 1, One = 2 };

// One list entry. The path is NUL-terminated in the pool; the title is not.
struct Track {
  uint32_t pathOffset = 0;
  uint16_t nameStart = 0;    // from the path's start to the file name
  uint16_t nameLength = 0;   // the file name without its extension
  uint16_t titleLength = 0;  // 0: no title of its own
  uint32_t titleOffset = 0;  // meaningful only when titleLength is not 0
};
static_assert(sizeof(Track) == 16, "a list entry stays 16 bytes");

class TrackList {
 public:
  static constexpr uint32_t kInitialSeed = 24301;
  static constexpr size_t kMaxPathLength = 65535;
  static constexpr size_t kMaxTitleLength = 65535;
  static constexpr size_t kMaxHistory = 500;
  static constexpr size_t kSortComponentLength = 512;  // units of a path component compared

  std::vector<wchar_t> pool;
  std::vector<Track> tracks;
  int64_t current = -1;
  bool shuffle = false;
  RepeatMode repeat = RepeatMode::Off;
  std::vector<uint32_t> order;      // the running shuffle cycle
  uint64_t orderPosition = 0;       // entries of order already taken
  std::vector<uint32_t> nextOrder;  // the following cycle, built when first needed
  std::mt19937 engine{kInitialSeed};
  std::deque<uint32_t> history;  // earlier current tracks, newest at the back

  size_t size() const { return tracks.size(); }
  bool empty() const { return tracks.empty(); }

  // Everything but shuffle, repeat and the engine.
  void clear();

  // False (and nothing added) for an empty path, one over 65535 units, one holding a NUL,
  // or when the pool's 32-bit offsets or memory run out.
  bool addTrack(std::wstring_view path);
  // The same for the path folder + name, without building it first.
  bool addTrack(std::wstring_view folder, std::wstring_view name);

  // Ignored for an index out of range; the title is cut to 65535 units.
  void setTitle(size_t index, std::wstring_view title);

  // Views into the pool: valid until the next addTrack or setTitle. Empty out of range.
  std::wstring_view path(size_t index) const;
  const wchar_t* pathCString(size_t index) const;  // NUL-terminated; "" out of range
  std::wstring_view stem(size_t index) const;
  std::wstring_view title(size_t index) const;        // empty when it has none
  std::wstring_view displayName(size_t index) const;  // the title, else the stem

  int64_t find(std::wstring_view path) const;
  int64_t findIgnoringCase(std::wstring_view path) const;

  // Length of the longest common prefix of all paths, cut back to just after its last "\"
  // or "/"; 0 with fewer than two tracks. The argument sort takes after a scan.
  size_t commonPrefixLength() const;

  // Sorts into track order, comparing paths from commonPrefixLength on. Leaves current,
  // the orders and history alone: callers reset them (the scanner sorts a fresh list).
  // Throws std::bad_alloc, leaving the list as it was, when its working memory runs out.
  void sort(size_t commonPrefixLength);

  // Returns the memory of grown-but-unused capacity to the heap.
  void releaseSpareCapacity();

  void reseed(uint32_t seed) { engine.seed(seed); }
  void reseedFromSystem();  // from std::random_device

  void rebuildOrder();

  int64_t peekNextAuto();
  int64_t peekNextUser();
  int64_t advanceAuto();
  int64_t advanceUser();
  int64_t previous();
  void jumpTo(int64_t index);
  void remove(int64_t index);

  // Takes over everything of other, engine state included; other becomes a new list.
  void moveFrom(TrackList& other);

  // A uniform draw from 0..bound-1 without modulo bias (bound > 0).
  static uint64_t drawBelow(std::mt19937& engine, uint64_t bound);

 private:
  size_t pathLength(const Track& track) const;
  int64_t peekNext(bool wrap);
  int64_t advance(int64_t next);
  void startCycleIfNeeded();
  void shuffleIndices(std::vector<uint32_t>& indices);
  void pushHistory(uint32_t index);
};

// The track order of a list that is filled a folder at a time, as a walk lists each folder
// whole: each folder's files are sorted as soon as it is done, so that only the folders are
// left to rank at the end. The result is the order of sort(commonPrefixLength()).
class FolderRuns {
 public:
  // The tracks added since the last call (or since the list was empty) are the files of one
  // folder, each path the folder's path and the file's name. sharedLength, the same at every call,
  // is the length of a path that all tracks share up to and including a separator.
  void folderDone(TrackList& list, size_t sharedLength);

  // Puts the list into track order (through sort when the runs do not cover the list).
  // Throws std::bad_alloc, leaving the list as it was, when its working memory runs out.
  void finish(TrackList& list);

 private:
  struct Run {
    uint32_t begin;
    uint32_t end;
  };
  std::vector<Run> runs_;
  std::vector<uint32_t> folderKeys_;    // each run's folder below the shared path
  std::vector<size_t> folderKeyStart_;  // where each run's key starts, then the keys' end
  size_t covered_ = 0;                  // tracks handed to a run so far
  bool valid_ = true;
};

// -1, 0 or 1: the track order of two paths (each taken whole).
int compareTrackOrder(std::wstring_view a, std::wstring_view b);
