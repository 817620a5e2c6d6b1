#include "base/track_list.h"

#include <algorithm>
#include <chrono>
#include <functional>
#include <new>
#include <numeric>
#include <string>
#include <unordered_map>
#include <utility>

#include "base/natural_key.h"
#include "base/text.h"

namespace {

// Pool offsets are 32-bit, so the pool never grows past 2^32 units.
constexpr uint64_t kMaxPoolUnits = uint64_t(1) << 32;
// Track indices are 32-bit in the orders and the history.
constexpr size_t kMaxTracks = UINT32_MAX;

bool isSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

// True when text points into the pool (a view handed back by this list), which an append
// could move.
bool aliases(const std::vector<wchar_t>& pool, std::wstring_view text) {
  if (text.empty() || pool.empty()) return false;
  const std::less<const wchar_t*> before;
  return !before(text.data(), pool.data()) && before(text.data(), pool.data() + pool.size());
}

size_t findSeparator(std::wstring_view s, size_t from) {
  for (size_t i = from; i < s.size(); ++i) {
    if (isSeparator(s[i])) return i;
  }
  return std::wstring_view::npos;
}

size_t findLastSeparator(std::wstring_view s) {
  for (size_t i = s.size(); i-- > 0;) {
    if (isSeparator(s[i])) return i;
  }
  return std::wstring_view::npos;
}

// Code unit by code unit as unsigned 16-bit values; the shorter first.
int compareUnits(std::wstring_view a, std::wstring_view b) {
  const size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    const uint16_t x = static_cast<uint16_t>(a[i]);
    const uint16_t y = static_cast<uint16_t>(b[i]);
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

}  // namespace

int compareTrackOrder(std::wstring_view a, std::wstring_view b) {
  std::vector<uint32_t> keyA, keyB;
  size_t startA = 0, startB = 0;
  for (;;) {
    size_t endA = findSeparator(a, startA);
    size_t endB = findSeparator(b, startB);
    const bool lastA = endA == std::wstring_view::npos;
    const bool lastB = endB == std::wstring_view::npos;
    // A folder's files come before the contents of its subfolders.
    if (lastA != lastB) return lastA ? -1 : 1;
    if (lastA) endA = a.size();
    if (lastB) endB = b.size();
    const std::wstring_view componentA =
        a.substr(startA, std::min(endA - startA, TrackList::kSortComponentLength));
    const std::wstring_view componentB =
        b.substr(startB, std::min(endB - startB, TrackList::kSortComponentLength));
    // Siblings share most folder names; equal units need no natural comparison.
    if (componentA != componentB) {
      keyA.clear();
      keyB.clear();
      text::appendNaturalKey(componentA, keyA);
      text::appendNaturalKey(componentB, keyB);
      const int result = text::compareNaturalKeys(keyA, keyB);
      if (result != 0) return result < 0 ? -1 : 1;
    }
    // Names equal in natural order ("A.mp3", "a.mp3") still need a fixed order.
    if (lastA) return compareUnits(a, b);
    startA = endA + 1;
    startB = endB + 1;
  }
}

void TrackList::clear() {
  pool.clear();
  tracks.clear();
  order.clear();
  nextOrder.clear();
  history.clear();
  current = -1;
  orderPosition = 0;
}

bool TrackList::addTrack(std::wstring_view path) { return addTrack({}, path); }

bool TrackList::addTrack(std::wstring_view folder, std::wstring_view name) {
  // Only the name is searched for the file name's start; a folder not ending in a separator
  // could hold it.
  if (!folder.empty() && !isSeparator(folder.back())) {
    std::wstring path;
    try {
      path.assign(folder).append(name);
    } catch (const std::bad_alloc&) {
      return false;
    }
    return addTrack({}, path);
  }
  const size_t n = folder.size() + name.size();
  if (n == 0 || n > kMaxPathLength) return false;
  if (tracks.size() >= kMaxTracks || pool.size() + n + 1 > kMaxPoolUnits) return false;
  // A NUL would cut the stored path short of the fields that point into it.
  if (folder.find(L'\0') != std::wstring_view::npos) return false;

  // One pass over the name finds the file name (after the last separator; empty when the path
  // ends in one) and its last dot.
  size_t nameStart = folder.size(), lastDot = 0;
  bool hasDot = false;
  for (size_t i = 0; i < name.size(); ++i) {
    const wchar_t c = name[i];
    if (isSeparator(c)) {
      nameStart = folder.size() + i + 1;
      hasDot = false;
    } else if (c == L'.') {
      lastDot = folder.size() + i;
      hasDot = true;
    } else if (c == L'\0') {
      return false;
    }
  }
  // A name whose only dot is its first character keeps the whole name.
  const size_t stemEnd = hasDot && lastDot > nameStart ? lastDot : n;

  Track track;
  track.pathOffset = static_cast<uint32_t>(pool.size());
  track.nameStart = static_cast<uint16_t>(nameStart);
  track.nameLength = static_cast<uint16_t>(stemEnd - nameStart);

  std::wstring folderCopy, nameCopy;
  const size_t oldPoolSize = pool.size();
  try {
    if (aliases(pool, folder)) folder = folderCopy.assign(folder);
    if (aliases(pool, name)) name = nameCopy.assign(name);
    pool.insert(pool.end(), folder.begin(), folder.end());
    pool.insert(pool.end(), name.begin(), name.end());
    pool.push_back(L'\0');
    tracks.push_back(track);
  } catch (const std::bad_alloc&) {
    pool.resize(oldPoolSize);
    return false;
  }
  return true;
}

void TrackList::setTitle(size_t index, std::wstring_view title) {
  if (index >= tracks.size()) return;
  title = title.substr(0, kMaxTitleLength);
  Track& track = tracks[index];
  if (track.titleLength != 0 && displayName(index) == title) return;

  std::wstring copy;
  if (aliases(pool, title)) title = copy.assign(title);
  if (track.titleLength < title.size()) {
    if (pool.size() + title.size() > kMaxPoolUnits) return;
    const size_t offset = pool.size();
    try {
      pool.insert(pool.end(), title.begin(), title.end());
    } catch (const std::bad_alloc&) {
      return;
    }
    track.titleOffset = static_cast<uint32_t>(offset);
  } else {
    std::copy(title.begin(), title.end(), pool.begin() + track.titleOffset);
  }
  track.titleLength = static_cast<uint16_t>(title.size());
}

size_t TrackList::pathLength(const Track& track) const {
  // The path runs at least to the end of its stem; only the extension is left to scan.
  size_t end = size_t(track.pathOffset) + track.nameStart + track.nameLength;
  while (end < pool.size() && pool[end] != L'\0') ++end;
  return end - track.pathOffset;
}

std::wstring_view TrackList::path(size_t index) const {
  if (index >= tracks.size()) return {};
  const Track& track = tracks[index];
  return {pool.data() + track.pathOffset, pathLength(track)};
}

const wchar_t* TrackList::pathCString(size_t index) const {
  if (index >= tracks.size()) return L"";
  return pool.data() + tracks[index].pathOffset;
}

std::wstring_view TrackList::stem(size_t index) const {
  if (index >= tracks.size()) return {};
  const Track& track = tracks[index];
  return {pool.data() + track.pathOffset + track.nameStart, track.nameLength};
}

std::wstring_view TrackList::title(size_t index) const {
  if (index >= tracks.size() || tracks[index].titleLength == 0) return {};
  const Track& track = tracks[index];
  return {pool.data() + track.titleOffset, track.titleLength};
}

std::wstring_view TrackList::displayName(size_t index) const {
  if (index < tracks.size() && tracks[index].titleLength != 0) return title(index);
  return stem(index);
}

int64_t TrackList::find(std::wstring_view wanted) const {
  for (size_t i = 0; i < tracks.size(); ++i) {
    if (path(i) == wanted) return static_cast<int64_t>(i);
  }
  return -1;
}

int64_t TrackList::findIgnoringCase(std::wstring_view wanted) const {
  for (size_t i = 0; i < tracks.size(); ++i) {
    if (text::equalsOrdinalIgnoreCase(path(i), wanted)) return static_cast<int64_t>(i);
  }
  return -1;
}

size_t TrackList::commonPrefixLength() const {
  if (tracks.size() < 2) return 0;
  const std::wstring_view first = path(0);
  size_t length = first.size();
  for (size_t i = 1; i < tracks.size() && length > 0; ++i) {
    const std::wstring_view other = path(i);
    const size_t n = std::min(length, other.size());
    size_t k = 0;
    while (k < n && first[k] == other[k]) ++k;
    length = k;
  }
  while (length > 0 && !isSeparator(first[length - 1])) --length;
  return length;
}

namespace {

// Natural order of two names, each cut to the units the track order compares.
int compareNames(std::wstring_view a, std::wstring_view b) {
  return text::compareNaturalNames(a.substr(0, TrackList::kSortComponentLength),
                                   b.substr(0, TrackList::kSortComponentLength));
}

// A folder's key holds its names one after the other, each ended, so an ancestor's key starts
// the keys of its descendants and sorts before them.
void appendFolderKey(std::wstring_view folder, std::vector<uint32_t>& keys) {
  for (size_t start = 0; start < folder.size();) {
    const size_t end = findSeparator(folder, start);
    text::appendNaturalKey(
        folder.substr(start, std::min(end - start, TrackList::kSortComponentLength)), keys);
    text::endNaturalKeyName(keys);
    start = end + 1;
  }
}

// The rank of each folder whose key starts at keyStart[f] (keyStart ends with the keys'
// size); folders equal in natural order share a rank. Returns the number of ranks.
uint32_t rankFolders(const std::vector<uint32_t>& keys, const std::vector<size_t>& keyStart,
                     std::vector<uint32_t>& rankOf) {
  const size_t count = keyStart.size() - 1;
  auto compare = [&](uint32_t x, uint32_t y) {
    return text::compareNaturalKeys(keys.data() + keyStart[x], keyStart[x + 1] - keyStart[x],
                                    keys.data() + keyStart[y], keyStart[y + 1] - keyStart[y]);
  };
  std::vector<uint32_t> order(count);
  std::iota(order.begin(), order.end(), 0u);
  std::stable_sort(order.begin(), order.end(),
                   [&](uint32_t x, uint32_t y) { return compare(x, y) < 0; });
  rankOf.assign(count, 0);
  uint32_t rank = 0;
  for (size_t k = 0; k < order.size(); ++k) {
    if (k > 0 && compare(order[k - 1], order[k]) != 0) ++rank;
    rankOf[order[k]] = rank;
  }
  return count == 0 ? 0 : rank + 1;
}

// Tracks of one folder, or of folders sharing a rank: by name, then by code units.
struct NamedTrack {
  std::wstring_view name;
  std::wstring_view remainder;  // from a part all compared tracks share
  Track track;
};

// The value of the digit run a name starts with, which orders two names that start with
// different numbers as their natural order does ("2 Song" before "10 Song"), and a name
// starting with a number before one that does not. Most names of a folder differ right there.
constexpr uint64_t kNoLeadingNumber = UINT64_MAX;
constexpr uint64_t kLeadUnknown = UINT64_MAX - 1;  // empty, or a number too long to hold
uint64_t leadingNumber(std::wstring_view name) {
  if (name.empty()) return kLeadUnknown;
  if (name[0] < L'0' || name[0] > L'9') return kNoLeadingNumber;
  size_t i = 0;
  while (i < name.size() && name[i] == L'0') ++i;
  uint64_t value = 0;
  for (size_t digits = 0; i < name.size() && name[i] >= L'0' && name[i] <= L'9'; ++i) {
    if (++digits > 18) return kLeadUnknown;
    value = value * 10 + uint64_t(name[i] - L'0');
  }
  return value;
}

// A merge sort stays inside the array even if the platform's comparison of characters the
// keys do not rank were not a strict weak order. It moves indices, not the entries.
void sortByName(std::vector<NamedTrack>::iterator begin, std::vector<NamedTrack>::iterator end) {
  const size_t count = static_cast<size_t>(end - begin);
  if (count < 2) return;
  std::vector<uint64_t> lead(count);
  for (size_t i = 0; i < count; ++i) {
    lead[i] = leadingNumber(begin[i].name.substr(0, TrackList::kSortComponentLength));
  }
  std::vector<uint32_t> order(count);
  std::iota(order.begin(), order.end(), 0u);
  std::stable_sort(order.begin(), order.end(), [&](uint32_t x, uint32_t y) {
    if (lead[x] != lead[y] && lead[x] != kLeadUnknown && lead[y] != kLeadUnknown) {
      return lead[x] < lead[y];
    }
    const int names = compareNames(begin[x].name, begin[y].name);
    if (names != 0) return names < 0;
    return compareUnits(begin[x].remainder, begin[y].remainder) < 0;
  });
  std::vector<NamedTrack> sorted(count);
  for (size_t k = 0; k < count; ++k) sorted[k] = begin[order[k]];
  std::copy(sorted.begin(), sorted.end(), begin);
}

}  // namespace

// The order of compareTrackOrder, reached in fewer and cheaper steps. Two paths first meet a
// difference in their folders, and then a folder that ends first (an ancestor) sorts first:
// its files come before its subfolders. So the distinct folders are ranked once, folders
// equal in natural order sharing a rank, and each track sorts by its folder's rank, then by
// its name, then by its code units.
void TrackList::sort(size_t prefixLength) {
  const size_t count = tracks.size();
  if (count < 2) return;

  std::vector<NamedTrack> entries(count);
  std::vector<uint32_t> folderOf(count);
  std::vector<std::wstring_view> folders;
  std::unordered_map<std::wstring_view, uint32_t> folderIndex;
  for (size_t i = 0; i < count; ++i) {
    const size_t length = pathLength(tracks[i]);
    const size_t skip = std::min(prefixLength, length);
    const std::wstring_view path(pool.data() + tracks[i].pathOffset + skip, length - skip);
    const size_t separator = findLastSeparator(path);
    // The folder keeps its last separator, so a path "\x.mp3" lies in a folder named "".
    const std::wstring_view folder =
        separator == std::wstring_view::npos ? path.substr(0, 0) : path.substr(0, separator + 1);
    // A walk lists a folder's files together, so most tracks share the previous one's folder.
    uint32_t index;
    if (i > 0 && folders[folderOf[i - 1]] == folder) {
      index = folderOf[i - 1];
    } else {
      const auto found = folderIndex.try_emplace(folder, uint32_t(folders.size()));
      if (found.second) folders.push_back(folder);
      index = found.first->second;
    }
    folderOf[i] = index;
    entries[i] = {path.substr(folder.size()), path, tracks[i]};
  }

  std::vector<uint32_t> folderKeys;
  std::vector<size_t> folderKeyStart;
  folderKeyStart.reserve(folders.size() + 1);
  for (const std::wstring_view folder : folders) {
    folderKeyStart.push_back(folderKeys.size());
    appendFolderKey(folder, folderKeys);
  }
  folderKeyStart.push_back(folderKeys.size());
  std::vector<uint32_t> folderRank;
  const uint32_t ranks = rankFolders(folderKeys, folderKeyStart, folderRank);

  // Tracks grouped by rank (a counting sort), then each group sorted by name.
  std::vector<size_t> groupStart(size_t(ranks) + 1, 0);
  for (size_t i = 0; i < count; ++i) ++groupStart[folderRank[folderOf[i]] + 1];
  for (size_t g = 1; g < groupStart.size(); ++g) groupStart[g] += groupStart[g - 1];
  std::vector<NamedTrack> grouped(count);
  {
    std::vector<size_t> next(groupStart.begin(), groupStart.end() - 1);
    for (size_t i = 0; i < count; ++i) grouped[next[folderRank[folderOf[i]]]++] = entries[i];
  }
  for (size_t g = 0; g + 1 < groupStart.size(); ++g) {
    sortByName(grouped.begin() + groupStart[g], grouped.begin() + groupStart[g + 1]);
  }

  std::vector<Track> sorted;
  sorted.reserve(count);
  for (const NamedTrack& entry : grouped) sorted.push_back(entry.track);
  tracks.swap(sorted);
}

void FolderRuns::folderDone(TrackList& list, size_t sharedLength) {
  const size_t begin = covered_, end = list.size();
  covered_ = end;
  if (!valid_ || begin == end) return;
  // Anything left half done (out of memory) sends finish to the whole sort.
  valid_ = false;
  // Every file must start its name where the folder's path ends.
  const size_t folderLength = list.tracks[begin].nameStart;
  if (folderLength < sharedLength || end > UINT32_MAX) return;
  std::vector<NamedTrack> entries(end - begin);
  for (size_t i = begin; i < end; ++i) {
    const Track& track = list.tracks[i];
    if (track.nameStart != folderLength) return;
    const std::wstring_view name = list.path(i).substr(folderLength);
    entries[i - begin] = {name, name, track};
  }
  sortByName(entries.begin(), entries.end());
  for (size_t i = begin; i < end; ++i) list.tracks[i] = entries[i - begin].track;

  const std::wstring_view path = list.path(begin);
  if (folderKeyStart_.empty()) folderKeyStart_.push_back(0);
  appendFolderKey(path.substr(sharedLength, folderLength - sharedLength), folderKeys_);
  folderKeyStart_.push_back(folderKeys_.size());
  runs_.push_back({uint32_t(begin), uint32_t(end)});
  valid_ = true;
}

void FolderRuns::finish(TrackList& list) {
  const size_t count = list.size();
  if (!valid_ || covered_ != count) {
    list.sort(list.commonPrefixLength());
    return;
  }
  if (count < 2) return;
  std::vector<uint32_t> runRank;
  rankFolders(folderKeys_, folderKeyStart_, runRank);
  // Runs in rank order; a rank of several runs (folders equal in natural order, such as
  // "Disc 1" and "Disc 01") has their files merged by name.
  std::vector<uint32_t> runOrder(runs_.size());
  std::iota(runOrder.begin(), runOrder.end(), 0u);
  std::stable_sort(runOrder.begin(), runOrder.end(),
                   [&](uint32_t x, uint32_t y) { return runRank[x] < runRank[y]; });
  std::vector<Track> sorted;
  sorted.reserve(count);
  std::vector<NamedTrack> merged;
  for (size_t k = 0; k < runOrder.size();) {
    size_t last = k + 1;
    while (last < runOrder.size() && runRank[runOrder[last]] == runRank[runOrder[k]]) ++last;
    if (last == k + 1) {
      const Run run = runs_[runOrder[k]];
      sorted.insert(sorted.end(), list.tracks.begin() + run.begin, list.tracks.begin() + run.end);
    } else {
      merged.clear();
      for (size_t r = k; r < last; ++r) {
        const Run run = runs_[runOrder[r]];
        for (uint32_t i = run.begin; i < run.end; ++i) {
          const std::wstring_view path = list.path(i);
          merged.push_back({path.substr(list.tracks[i].nameStart), path, list.tracks[i]});
        }
      }
      sortByName(merged.begin(), merged.end());
      for (const NamedTrack& entry : merged) sorted.push_back(entry.track);
    }
    k = last;
  }
  list.tracks.swap(sorted);
}

void TrackList::releaseSpareCapacity() {
  pool.shrink_to_fit();
  tracks.shrink_to_fit();
  order.shrink_to_fit();
  nextOrder.shrink_to_fit();
  history.shrink_to_fit();
}

void TrackList::reseedFromSystem() {
  uint32_t seed = 0;
  try {
    std::random_device device;
    seed = device();
  } catch (...) {
    // No system source: the clock still differs from run to run.
    seed =
        static_cast<uint32_t>(std::chrono::high_resolution_clock::now().time_since_epoch().count());
  }
  engine.seed(seed);
}

uint64_t TrackList::drawBelow(std::mt19937& engine, uint64_t bound) {
  if (bound <= 1) {
    if (bound == 1) engine();  // a draw is still taken, so sequences do not shift
    return 0;
  }
  if (bound <= UINT32_MAX) {
    // Reject the top 2^32 mod bound values so that every residue is equally likely.
    const uint64_t range = uint64_t(1) << 32;
    const uint64_t limit = range - range % bound;
    for (;;) {
      const uint64_t r = engine();
      if (r < limit) return r % bound;
    }
  }
  const uint64_t excess = (0 - bound) % bound;  // 2^64 mod bound
  for (;;) {
    const uint64_t high = engine();
    const uint64_t low = engine();
    const uint64_t r = (high << 32) | low;
    if (excess == 0 || r < 0 - excess) return r % bound;
  }
}

void TrackList::shuffleIndices(std::vector<uint32_t>& indices) {
  for (size_t i = indices.size(); i >= 2; --i) {
    const size_t j = static_cast<size_t>(drawBelow(engine, i));
    std::swap(indices[i - 1], indices[j]);
  }
}

void TrackList::rebuildOrder() {
  order.clear();
  orderPosition = 0;
  nextOrder.clear();
  if (!shuffle) return;
  order.reserve(tracks.size());
  for (size_t i = 0; i < tracks.size(); ++i) {
    if (static_cast<int64_t>(i) != current) order.push_back(static_cast<uint32_t>(i));
  }
  shuffleIndices(order);
}

void TrackList::startCycleIfNeeded() {
  if (nextOrder.empty()) {
    nextOrder.reserve(tracks.size());
    for (size_t i = 0; i < tracks.size(); ++i) nextOrder.push_back(static_cast<uint32_t>(i));
    shuffleIndices(nextOrder);
  }
  // A new cycle never starts with the track that just finished.
  if (nextOrder.size() >= 2 && static_cast<int64_t>(nextOrder[0]) == current) {
    const size_t k = 1 + static_cast<size_t>(drawBelow(engine, nextOrder.size() - 1));
    std::swap(nextOrder[0], nextOrder[k]);
  }
}

int64_t TrackList::peekNext(bool wrap) {
  if (tracks.empty()) return -1;
  if (shuffle) {
    if (orderPosition < order.size()) return order[orderPosition];
    if (!wrap) return -1;
    startCycleIfNeeded();
    return nextOrder[0];
  }
  if (current < 0) return 0;
  if (current + 1 < static_cast<int64_t>(tracks.size())) return current + 1;
  return wrap ? 0 : -1;
}

int64_t TrackList::peekNextAuto() {
  if (repeat == RepeatMode::One && current != -1) return current;
  return peekNext(repeat == RepeatMode::All);
}

int64_t TrackList::peekNextUser() { return peekNext(repeat != RepeatMode::Off); }

void TrackList::pushHistory(uint32_t index) {
  history.push_back(index);
  if (history.size() > kMaxHistory) history.pop_front();
}

int64_t TrackList::advance(int64_t next) {
  if (next < 0) return -1;
  if (shuffle) {
    if (orderPosition < order.size() && order[orderPosition] == next) {
      ++orderPosition;
    } else if (!nextOrder.empty() && nextOrder[0] == next) {
      order = std::move(nextOrder);
      nextOrder.clear();
      orderPosition = 1;
    }
  }
  if (current != -1) pushHistory(static_cast<uint32_t>(current));
  current = next;
  return next;
}

int64_t TrackList::advanceAuto() {
  if (repeat == RepeatMode::One && current != -1) return current;
  return advance(peekNextAuto());
}

int64_t TrackList::advanceUser() { return advance(peekNextUser()); }

int64_t TrackList::previous() {
  if (current == -1) return -1;
  if (shuffle) {
    if (!history.empty()) {
      current = history.back();
      history.pop_back();
      nextOrder.clear();
    }
    return current;
  }
  if (current > 0) {
    --current;
  } else if (repeat == RepeatMode::All || repeat == RepeatMode::One) {
    current = static_cast<int64_t>(tracks.size()) - 1;
  }
  return current;
}

void TrackList::jumpTo(int64_t index) {
  if (index < 0 || index >= static_cast<int64_t>(tracks.size())) return;
  if (shuffle) {
    // The chosen track counts as played in this cycle.
    for (size_t p = orderPosition; p < order.size(); ++p) {
      if (order[p] == index) {
        std::swap(order[p], order[orderPosition]);
        ++orderPosition;
        break;
      }
    }
  }
  nextOrder.clear();
  if (current != -1) pushHistory(static_cast<uint32_t>(current));
  current = index;
}

void TrackList::remove(int64_t index) {
  if (index < 0 || index >= static_cast<int64_t>(tracks.size())) return;
  const uint32_t removed = static_cast<uint32_t>(index);
  tracks.erase(tracks.begin() + index);  // its text stays in the pool

  if (current == index) {
    current = -1;
  } else if (current > index) {
    --current;
  }

  const auto found = std::find(order.begin(), order.end(), removed);
  if (found != order.end()) {
    if (static_cast<uint64_t>(found - order.begin()) < orderPosition) --orderPosition;
    order.erase(found);
  }
  for (uint32_t& entry : order) {
    if (entry > removed) --entry;
  }
  nextOrder.clear();

  history.erase(std::remove(history.begin(), history.end(), removed), history.end());
  for (uint32_t& entry : history) {
    if (entry > removed) --entry;
  }
}

void TrackList::moveFrom(TrackList& other) {
  if (&other == this) return;
  *this = std::move(other);
  other = TrackList();
}
