// Tagged files in the layouts that put the tags far from the start: the ffmpeg fixtures of
// tests/data/tags (tools/make-tag-fixtures.sh) rearranged, with big hand-built blocks of
// cover art or audio in front of their tags. Portable, for native and Windows tests alike.
#pragma once

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "tests/support/bytes.h"

namespace taglayouts {

using namespace testbytes;

constexpr size_t kBulkBytes = 300000;  // far more than a header-only read may take

// What the fixtures hold, and the title of the id3 chunk added to the WAV.
inline const std::wstring kTitle =
    L"Sine \x00DC"
    L"berture";
inline const std::wstring kArtist = L"Tarnwick Ensemble";
inline const std::wstring kId3Title = L"Id3 Chunk Title";

// A missing fixture reads as a few zeros, which gives no layout.
inline Bytes fixture(const char* name) {
  std::ifstream in(std::string(TWK_SOURCE_DIR "/tests/data/tags/") + name, std::ios::binary);
  Bytes out(std::istreambuf_iterator<char>(in), {});
  if (out.size() < 64) out.assign(64, 0);
  return out;
}

// The ffmpeg FLAC (stream info, comments, padding) with a big picture after the stream info
// and the comments moved last: picture and padding lie before them.
inline Bytes flacPictureBeforeComments() {
  const Bytes in = fixture("vorbis.flac");
  Bytes info, comments, others;
  size_t pos = 4;
  for (bool last = false; !last && pos + 4 <= in.size();) {
    last = (in[pos] & 0x80) != 0;
    const size_t n = (size_t(in[pos + 1]) << 16) | (size_t(in[pos + 2]) << 8) | in[pos + 3];
    if (n > in.size() - pos - 4) return {};
    Bytes& to = pos == 4 ? info : (in[pos] & 0x7F) == 4 ? comments : others;
    to =
        cat({to, {uint8_t(in[pos] & 0x7F)}, Bytes(in.begin() + pos + 1, in.begin() + pos + 4 + n)});
    pos += 4 + n;
  }
  if (in[0] != 'f' || comments.empty()) return {};
  comments[0] |= 0x80;
  const Bytes picture = cat({be32(3), be32(9), bytes("image/png"), be32(0), be32(500), be32(500),
                             be32(24), be32(0), be32(kBulkBytes), Bytes(kBulkBytes, 0x5A)});
  return cat({bytes("fLaC"),
              info,
              {6},
              be24(uint32_t(picture.size())),
              picture,
              others,
              comments,
              Bytes(in.begin() + pos, in.end())});
}

// The ffmpeg WAV (fmt, LIST/INFO, data) with the data grown by kBulkBytes of silence and
// either the LIST moved behind it or an id3 chunk (title only) appended.
inline Bytes wav(bool id3AfterData) {
  const Bytes in = fixture("info.wav");
  Bytes before, list, data;
  for (size_t pos = 12; pos + 8 <= in.size();) {
    const size_t n =
        in[pos + 4] | (in[pos + 5] << 8) | (in[pos + 6] << 16) | (size_t(in[pos + 7]) << 24);
    if (n > in.size() - pos - 8) return {};
    const Bytes chunk(in.begin() + pos, in.begin() + pos + 8 + n + (n & 1));
    const std::string_view id(reinterpret_cast<const char*>(&in[pos]), 4);
    if (id == "LIST") list = chunk;
    if (id == "data")
      data = cat({bytes("data"), le32(uint32_t(n + kBulkBytes)),
                  Bytes(chunk.begin() + 8, chunk.begin() + 8 + n), Bytes(kBulkBytes)});
    if (id != "LIST" && id != "data") before = cat({before, chunk});
    pos += chunk.size();
  }
  if (list.empty() || data.empty()) return {};
  const Bytes title = id3Frame("TIT2", cat({{0}, bytes("Id3 Chunk Title")}));
  const Bytes tag = id3Tag(title);
  const Bytes chunks =
      id3AfterData ? cat({before, list, data, bytes("id3 "), le32(uint32_t(tag.size())), tag})
                   : cat({before, data, list});
  return cat({bytes("RIFF"), le32(uint32_t(4 + chunks.size())), bytes("WAVE"), chunks});
}

// The ffmpeg ID3v2.3 MP3 (title, artist, three chapters) with a big APIC frame first.
inline Bytes mp3ArtBeforeText() {
  const Bytes in = fixture("id3v23_chapters.mp3");
  if (in[0] != 'I') return {};
  const Bytes apic =
      id3Frame("APIC", cat({{0}, bytes("image/png"), {0, 3, 0}, Bytes(kBulkBytes, 0xA5)}));
  const uint32_t size =
      (uint32_t(in[6]) << 21) | (uint32_t(in[7]) << 14) | (uint32_t(in[8]) << 7) | in[9];
  return cat({Bytes(in.begin(), in.begin() + 6), syncsafe(size + uint32_t(apic.size())), apic,
              Bytes(in.begin() + 10, in.end())});
}

struct Layout {
  const wchar_t* name;  // a file name for it
  Bytes file;
  std::wstring title;  // the artist is always kArtist
  size_t chapters;
};

inline std::vector<Layout> layouts() {
  return {{L"picture first.flac", flacPictureBeforeComments(), kTitle, 0},
          {L"info after data.wav", wav(false), kTitle, 0},
          {L"id3 after data.wav", wav(true), kId3Title, 0},
          {L"art first.mp3", mp3ArtBeforeText(), kTitle, 3}};
}

}  // namespace taglayouts
