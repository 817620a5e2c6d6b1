// Tagged files in the layouts that put the tags far from the start: the ffmpeg fixtures of
// tests/data/tags (tools/make-tag-fixtures.sh) rearranged, with big hand-built blocks of
// cover art or audio in front of their tags. Portable, for native and Windows tests alike.
#pragma once

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace taglayouts {

using Bytes = std::vector<uint8_t>;

// Far more than a header-only read may take.
constexpr size_t kBulkBytes = 300000;

// What the fixtures hold.
inline const std::wstring kTitle =
    L"Sine \x00DC"
    L"berture";
inline const std::wstring kArtist = L"Tarnwick Ensemble";

inline Bytes fixture(const char* name) {
  std::ifstream in(std::string(TWK_SOURCE_DIR "/tests/data/tags/") + name, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void append(Bytes& out, const Bytes& more) {
  out.insert(out.end(), more.begin(), more.end());
}
inline void appendText(Bytes& out, const std::string& text) {
  out.insert(out.end(), text.begin(), text.end());
}
inline Bytes be32(uint32_t v) {
  return {uint8_t(v >> 24), uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)};
}
inline Bytes le32(uint32_t v) {
  return {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
}
inline Bytes syncsafe(uint32_t v) {
  return {uint8_t((v >> 21) & 0x7F), uint8_t((v >> 14) & 0x7F), uint8_t((v >> 7) & 0x7F),
          uint8_t(v & 0x7F)};
}

// The ffmpeg FLAC with a cover-art PICTURE block right after STREAMINFO, so that its
// padding and then its VORBIS_COMMENT (now the last block) follow the picture.
inline Bytes flacPictureBeforeComments() {
  const Bytes in = fixture("vorbis.flac");
  std::vector<Bytes> blocks;
  size_t pos = 4;
  for (bool last = false; !last && pos + 4 <= in.size();) {
    last = (in[pos] & 0x80) != 0;
    const size_t n = (size_t(in[pos + 1]) << 16) | (size_t(in[pos + 2]) << 8) | in[pos + 3];
    blocks.emplace_back(in.begin() + pos, in.begin() + pos + 4 + n);
    blocks.back()[0] &= 0x7F;
    pos += 4 + n;
  }
  Bytes picture = be32(3);  // front cover
  append(picture, be32(9));
  appendText(picture, "image/png");
  for (uint32_t v : {0u, 500u, 500u, 24u, 0u, uint32_t(kBulkBytes)}) append(picture, be32(v));
  picture.resize(picture.size() + kBulkBytes, 0x5A);
  const uint32_t n = uint32_t(picture.size());
  Bytes pictureBlock{6, uint8_t(n >> 16), uint8_t(n >> 8), uint8_t(n)};
  append(pictureBlock, picture);

  std::vector<Bytes> ordered{blocks[0], pictureBlock};
  for (size_t i = 1; i < blocks.size(); ++i)
    if ((blocks[i][0] & 0x7F) != 4) ordered.push_back(blocks[i]);
  for (size_t i = 1; i < blocks.size(); ++i)
    if ((blocks[i][0] & 0x7F) == 4) ordered.push_back(blocks[i]);
  ordered.back()[0] |= 0x80;
  Bytes out{'f', 'L', 'a', 'C'};
  for (const Bytes& block : ordered) append(out, block);
  out.insert(out.end(), in.begin() + pos, in.end());
  return out;
}

struct Chunk {
  std::string id;
  Bytes data;
};

inline std::vector<Chunk> wavChunks() {
  const Bytes in = fixture("info.wav");
  std::vector<Chunk> chunks;
  for (size_t pos = 12; pos + 8 <= in.size();) {
    const size_t n =
        in[pos + 4] | (in[pos + 5] << 8) | (in[pos + 6] << 16) | (size_t(in[pos + 7]) << 24);
    chunks.push_back({std::string(in.begin() + pos, in.begin() + pos + 4),
                      Bytes(in.begin() + pos + 8, in.begin() + pos + 8 + n)});
    if (chunks.back().id == "data") chunks.back().data.resize(n + kBulkBytes);  // more silence
    pos += 8 + n + (n & 1);
  }
  return chunks;
}

inline Bytes wave(const std::vector<Chunk>& chunks) {
  Bytes body{'W', 'A', 'V', 'E'};
  for (const Chunk& chunk : chunks) {
    appendText(body, chunk.id);
    append(body, le32(uint32_t(chunk.data.size())));
    append(body, chunk.data);
    if (chunk.data.size() & 1) body.push_back(0);
  }
  Bytes out{'R', 'I', 'F', 'F'};
  append(out, le32(uint32_t(body.size())));
  append(out, body);
  return out;
}

// The ffmpeg WAV with its LIST/INFO chunk moved behind the (grown) data, where many taggers
// append it.
inline Bytes wavInfoAfterData() {
  std::vector<Chunk> chunks = wavChunks();  // fmt, LIST, data
  std::vector<Chunk> moved;
  for (const Chunk& c : chunks)
    if (c.id != "LIST") moved.push_back(c);
  for (const Chunk& c : chunks)
    if (c.id == "LIST") moved.push_back(c);
  return wave(moved);
}

// The ffmpeg WAV, INFO still before the data, with an id3 chunk after the data that has a
// title (kId3Title) and no artist.
inline const std::wstring kId3Title = L"Id3 Chunk Title";
inline Bytes wavId3AfterData() {
  std::vector<Chunk> chunks = wavChunks();
  Bytes frame{'T', 'I', 'T', '2'};
  append(frame, be32(16));
  append(frame, Bytes{0, 0, 0});
  appendText(frame, "Id3 Chunk Title");
  Bytes tag{'I', 'D', '3', 3, 0, 0};
  append(tag, syncsafe(uint32_t(frame.size())));
  append(tag, frame);
  chunks.push_back({"id3 ", tag});
  return wave(chunks);
}

// The ffmpeg ID3v2.3 MP3 (title, artist, three chapters) with a cover-art APIC frame before
// all its frames.
inline Bytes mp3ArtBeforeText() {
  const Bytes in = fixture("id3v23_chapters.mp3");
  Bytes apic{0};
  appendText(apic, "image/png");
  append(apic, Bytes{0, 3, 0});
  apic.resize(apic.size() + kBulkBytes, 0xA5);
  Bytes frame{'A', 'P', 'I', 'C'};
  append(frame, be32(uint32_t(apic.size())));
  append(frame, Bytes{0, 0});
  append(frame, apic);
  const uint32_t size =
      (uint32_t(in[6]) << 21) | (uint32_t(in[7]) << 14) | (uint32_t(in[8]) << 7) | in[9];
  Bytes out(in.begin(), in.begin() + 6);
  append(out, syncsafe(size + uint32_t(frame.size())));
  append(out, frame);
  out.insert(out.end(), in.begin() + 10, in.end());
  return out;
}

struct Layout {
  const wchar_t* name;  // a file name for it
  Bytes file;
  std::wstring title;  // the artist is always kArtist
  size_t chapters;
};

inline std::vector<Layout> layouts() {
  return {{L"picture first.flac", flacPictureBeforeComments(), kTitle, 0},
          {L"info after data.wav", wavInfoAfterData(), kTitle, 0},
          {L"id3 after data.wav", wavId3AfterData(), kId3Title, 0},
          {L"art first.mp3", mp3ArtBeforeText(), kTitle, 3}};
}

}  // namespace taglayouts
