// Times the track list on a large generated music tree: adding 100,000 paths, the common
// prefix, the sort and a shuffle order, and prints the memory one track costs.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "base/text.h"
#include "base/track_list.h"

namespace {

constexpr int kArtists = 200;
constexpr int kAlbumsPerArtist = 5;  // 1000 album folders
constexpr int kTracksPerAlbum = 100;
constexpr int kRounds = 7;

const wchar_t* const kWords[] = {L"Night", L"River",  L"Blue",  L"Song",   L"Light", L"Road",
                                 L"Heart", L"Summer", L"Rain",  L"Dance",  L"Fire",  L"Home",
                                 L"Gold",  L"Winter", L"Dream", L"Shadow", L"Love",  L"City"};

std::wstring padded(uint64_t value, size_t width) {
  std::wstring digits = text::toDecimal(value);
  if (digits.size() < width) digits.insert(0, width - digits.size(), L'0');
  return digits;
}

std::vector<std::wstring> musicTree() {
  std::mt19937 rng(1);
  std::vector<std::wstring> paths;
  paths.reserve(kArtists * kAlbumsPerArtist * kTracksPerAlbum);
  for (int artist = 0; artist < kArtists; ++artist) {
    for (int album = 0; album < kAlbumsPerArtist; ++album) {
      const std::wstring folder = L"C:\\Music\\Artist " + padded(artist, 3) + L"\\" +
                                  text::toDecimal(uint64_t(1970 + rng() % 55)) + L" - Album " +
                                  padded(album, 2) + L"\\";
      for (int track = 1; track <= kTracksPerAlbum; ++track) {
        std::wstring path = folder + padded(track, 2) + L" -";
        const int words = 1 + rng() % 4;
        for (int w = 0; w < words; ++w) {
          path += L' ';
          path += kWords[rng() % std::size(kWords)];
        }
        paths.push_back(path + L".mp3");
      }
    }
  }
  // The file system hands folders over in its own order, not the track order.
  std::shuffle(paths.begin(), paths.end(), rng);
  return paths;
}

template <typename Work>
double millisecondsOf(Work work) {
  const auto start = std::chrono::steady_clock::now();
  work();
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
      .count();
}

// The fastest round: on a shared machine the others mostly measure the neighbours.
double best(const std::vector<double>& values) {
  return *std::min_element(values.begin(), values.end());
}

size_t bytesUsed(const TrackList& list) {
  return list.pool.capacity() * sizeof(wchar_t) + list.tracks.capacity() * sizeof(Track) +
         list.order.capacity() * sizeof(uint32_t);
}

}  // namespace

int main() {
  const std::vector<std::wstring> paths = musicTree();
  std::vector<double> add, prefix, sort, shuffle;
  size_t grownBytes = 0, releasedBytes = 0, count = 0, prefixLength = 0;
  for (int round = 0; round < kRounds; ++round) {
    TrackList list;
    add.push_back(millisecondsOf([&] {
      for (const std::wstring& path : paths) list.addTrack(path);
    }));
    prefix.push_back(millisecondsOf([&] { prefixLength = list.commonPrefixLength(); }));
    sort.push_back(millisecondsOf([&] { list.sort(prefixLength); }));
    list.shuffle = true;
    shuffle.push_back(millisecondsOf([&] { list.rebuildOrder(); }));
    grownBytes = bytesUsed(list);
    list.releaseSpareCapacity();
    releasedBytes = bytesUsed(list);
    count = list.size();
  }
  std::printf("tracks: %zu in %d folders, common prefix %zu units, best of %d rounds\n", count,
              kArtists * kAlbumsPerArtist, prefixLength, kRounds);
  std::printf("addTrack (all):      %8.2f ms\n", best(add));
  std::printf("commonPrefixLength:  %8.2f ms\n", best(prefix));
  std::printf("sort:                %8.2f ms\n", best(sort));
  std::printf("rebuildOrder:        %8.2f ms\n", best(shuffle));
  std::printf("bytes per track:     %8.1f (as grown), %.1f (after releasing spare capacity)\n",
              double(grownBytes) / double(count), double(releasedBytes) / double(count));
  return 0;
}
