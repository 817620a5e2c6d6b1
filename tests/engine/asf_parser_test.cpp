#include "engine/asf_parser.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/bytes.h"
#include "tests/support/files.h"

using namespace testbytes;
using namespace std::string_literals;  // wide literals with their length: no wcslen at run time

namespace {

// GUIDs in their stored form: the first three fields little-endian.
Bytes guid(uint32_t d1, uint16_t d2, uint16_t d3, uint64_t d4) {
  return cat({le32(d1), le16(d2), le16(d3), be64(d4)});
}

const Bytes kHeader = guid(0x75B22630, 0x668E, 0x11CF, 0xA6D900AA0062CE6C);
const Bytes kContentDescription = guid(0x75B22633, 0x668E, 0x11CF, 0xA6D900AA0062CE6C);
const Bytes kExtendedDescription = guid(0xD2D0A440, 0xE307, 0x11D2, 0x97F000A0C95EA850);
const Bytes kContentEncryption = guid(0x2211B3FB, 0xBD23, 0x11D2, 0xB4B700A0C955FC6E);
const Bytes kExtendedEncryption = guid(0x298AE614, 0x2622, 0x4C17, 0xB935DAE07EE9289C);
const Bytes kAdvancedEncryption = guid(0x43058533, 0x6981, 0x49E6, 0x9B74AD12CB86D58C);
const Bytes kHeaderExtension = guid(0x5FBF03B5, 0xA92E, 0x11CF, 0x8EE300C00C205365);
const Bytes kPadding = guid(0x1806D474, 0xCADF, 0x4509, 0xA4BA9AABCB96AAE8);

Bytes object(const Bytes& id, const Bytes& content) {
  return cat({id, le64(24 + content.size()), content});
}

Bytes header(const std::vector<Bytes>& objects, int declaredCount = -1, uint64_t declaredSize = 0) {
  Bytes body;
  for (const Bytes& o : objects) append(body, o);
  const uint32_t count = declaredCount >= 0 ? uint32_t(declaredCount) : uint32_t(objects.size());
  return cat({kHeader, le64(declaredSize ? declaredSize : 30 + body.size()), le32(count),
              Bytes{1, 2}, body});
}

Bytes text(const std::u16string& s) { return utf16(s, false); }

Bytes contentDescription(const std::u16string& title, const std::u16string& author) {
  const Bytes t = text(title), a = text(author);
  return object(kContentDescription,
                cat({le16(uint16_t(t.size())), le16(uint16_t(a.size())), zeros(6), t, a}));
}

Bytes descriptor(const std::u16string& name, const Bytes& value, uint16_t type = 0) {
  const Bytes n = text(name + u'\0');
  return cat({le16(uint16_t(n.size())), n, le16(type), le16(uint16_t(value.size())), value});
}

Bytes extendedDescription(const std::vector<Bytes>& descriptors, int declaredCount = -1) {
  Bytes body = le16(uint16_t(declaredCount >= 0 ? declaredCount : int(descriptors.size())));
  for (const Bytes& d : descriptors) append(body, d);
  return object(kExtendedDescription, body);
}

Bytes headerExtension(const std::vector<Bytes>& nested) {
  Bytes data;
  for (const Bytes& o : nested) append(data, o);
  return object(kHeaderExtension, cat({zeros(16), le16(6), le32(uint32_t(data.size())), data}));
}

TagInfo tagsOf(const Bytes& buffer) {
  TagInfo info;
  readAsfHeader(buffer.data(), buffer.size(), info);
  return info;
}

}  // namespace

TEST(AsfFixture, TaggedWmaGivesTitleAndAuthor) {
  const Bytes file = testsupport::readBytes(dataPath("tagged.wma"));
  ASSERT_GT(file.size(), 30u);
  const uint64_t size = asfHeaderSize(file.data(), file.size());
  EXPECT_GT(size, 30u);
  EXPECT_LT(size, file.size());
  const TagInfo info = tagsOf(file);
  EXPECT_EQ(info.title, L"Wma T\u00edtle"s);
  EXPECT_EQ(info.artist, L"Wma Artist"s);
  EXPECT_FALSE(info.drm);
}

TEST(AsfFixture, TruncatedHeadersGiveWholeFieldsOrNothing) {
  const Bytes file = testsupport::readBytes(dataPath("tagged.wma"));
  ASSERT_GT(file.size(), 30u);
  const size_t headerSize = size_t(asfHeaderSize(file.data(), file.size()));
  for (size_t length = 0; length <= headerSize; ++length) {
    const Bytes prefix(file.begin(), file.begin() + length);  // exact size, so ASan sees overreads
    EXPECT_EQ(asfHeaderSize(prefix.data(), prefix.size()), length < 30 ? 0u : headerSize);
    const TagInfo info = tagsOf(prefix);
    EXPECT_TRUE(info.title.empty() || info.title == L"Wma T\u00edtle"s) << length;
    EXPECT_TRUE(info.artist.empty() || info.artist == L"Wma Artist"s) << length;
    EXPECT_FALSE(info.drm);
  }
}

TEST(AsfHeader, InvalidHeadersAreRejected) {
  Bytes good = header({contentDescription(u"T", u"A")});
  EXPECT_EQ(asfHeaderSize(good.data(), good.size()), good.size());
  EXPECT_EQ(asfHeaderSize(nullptr, 0), 0u);

  Bytes wrongGuid = good;
  wrongGuid[0] ^= 1;
  EXPECT_EQ(asfHeaderSize(wrongGuid.data(), wrongGuid.size()), 0u);
  EXPECT_TRUE(tagsOf(wrongGuid).title.empty());

  Bytes tooSmall = header({contentDescription(u"T", u"A")}, -1, 29);
  EXPECT_EQ(asfHeaderSize(tooSmall.data(), tooSmall.size()), 0u);
  EXPECT_TRUE(tagsOf(tooSmall).title.empty());
}

TEST(AsfHeader, EmptyContentDescriptionTitleTakesExtendedTitle) {
  const TagInfo info = tagsOf(header({
      contentDescription(u"", u"Author"),
      extendedDescription(
          {descriptor(u"TITLE", text(u"Extended")), descriptor(u"Author", text(u"Other"))}),
  }));
  EXPECT_EQ(info.title, L"Extended"s);
  EXPECT_EQ(info.artist, L"Author"s);
}

TEST(AsfHeader, ArtistFallsBackToAuthorThenAlbumArtist) {
  EXPECT_EQ(tagsOf(header({extendedDescription({descriptor(u"WM/AlbumArtist", text(u"Album")),
                                                descriptor(u"author", text(u"Author"))})}))
                .artist,
            L"Author"s);
  EXPECT_EQ(
      tagsOf(header({extendedDescription({descriptor(u"wm/albumartist", text(u"Album"))})})).artist,
      L"Album"s);
}

TEST(AsfHeader, DescriptorsKeepTheLastTextValue) {
  const TagInfo info = tagsOf(header({extendedDescription({
      descriptor(u"Title", text(u"First")),
      descriptor(u"Title", text(std::u16string(u"Second\0junk", 11))),
      descriptor(u"Title", le32(7), 3),  // not text: ignored
  })}));
  EXPECT_EQ(info.title, L"Second"s);
}

TEST(AsfHeader, TextsAreCutAndTrimmed) {
  const TagInfo info =
      tagsOf(header({contentDescription(std::u16string(u"Spaced \t \0after", 15), u"Long")}));
  EXPECT_EQ(info.title, L"Spaced"s);
  std::u16string longText(600, u'x');
  EXPECT_EQ(tagsOf(header({contentDescription(longText, u"")})).title, std::wstring(512, L'x'));
}

TEST(AsfHeader, ContentDescriptionLengthsMustFit) {
  // The author's length runs past the object: the title is kept, the author is not.
  Bytes cd = contentDescription(u"Title", u"Author");
  cd[24 + 2] = 200;
  TagInfo info = tagsOf(header({cd}));
  EXPECT_EQ(info.title, L"Title"s);
  EXPECT_TRUE(info.artist.empty());
  cd[24] = 200;  // now the title does not fit either
  info = tagsOf(header({cd}));
  EXPECT_TRUE(info.title.empty());
}

TEST(AsfHeader, DescriptorWalkStopsAtTheFirstMisfit) {
  Bytes broken = descriptor(u"Author", text(u"Lost"));
  broken.resize(broken.size() - 1);
  const TagInfo info =
      tagsOf(header({extendedDescription({descriptor(u"Title", text(u"Kept")), broken}, 5)}));
  EXPECT_EQ(info.title, L"Kept"s);
  EXPECT_TRUE(info.artist.empty());
}

TEST(AsfHeader, AtMost4096Descriptors) {
  std::vector<Bytes> descriptors;
  for (int i = 0; i < 5000; ++i) {
    const std::string n = std::to_string(i);
    descriptors.push_back(descriptor(u"Title", text(std::u16string(n.begin(), n.end()))));
  }
  EXPECT_EQ(tagsOf(header({extendedDescription(descriptors)})).title, L"4095"s);
}

TEST(AsfHeader, AtMost1024Objects) {
  std::vector<Bytes> objects(1023, object(kPadding, {}));
  objects.push_back(contentDescription(u"1024th", u""));
  EXPECT_EQ(tagsOf(header(objects, 5000)).title, L"1024th"s);
  objects.insert(objects.begin(), object(kPadding, {}));
  EXPECT_TRUE(tagsOf(header(objects, 5000)).title.empty());
}

TEST(AsfHeader, BadObjectSizeEndsTheWalk) {
  for (uint64_t badSize : {uint64_t(23), uint64_t(1) << 40, UINT64_MAX}) {
    Bytes bad = object(kPadding, zeros(8));
    const Bytes size = le64(badSize);
    std::copy(size.begin(), size.end(), bad.begin() + 16);
    EXPECT_TRUE(tagsOf(header({bad, contentDescription(u"Unreached", u"")})).title.empty())
        << badSize;
  }
}

TEST(AsfHeader, FieldsAlreadySetAreKept) {
  const Bytes theirs = header({contentDescription(u"Theirs", u"Artist")});
  TagInfo already;
  already.title = L"Mine"s;
  already.drm = true;
  readAsfHeader(theirs.data(), theirs.size(), already);
  EXPECT_EQ(already.title, L"Mine"s);
  EXPECT_EQ(already.artist, L"Artist"s);
  EXPECT_TRUE(already.drm);
}

TEST(AsfDrm, EncryptionObjects) {
  EXPECT_TRUE(tagsOf(header({object(kContentEncryption, zeros(16))})).drm);
  EXPECT_TRUE(tagsOf(header({object(kExtendedEncryption, zeros(4))})).drm);
  EXPECT_TRUE(tagsOf(header({headerExtension(
                         {object(kPadding, zeros(8)), object(kAdvancedEncryption, {})})}))
                  .drm);
  // Advanced Content Encryption counts only inside the Header Extension.
  EXPECT_FALSE(tagsOf(header({object(kAdvancedEncryption, {})})).drm);
  EXPECT_FALSE(tagsOf(header({headerExtension({object(kPadding, zeros(8))})})).drm);

  // A nested object that claims more than the extension's data ends the nested walk.
  Bytes extension = headerExtension({object(kPadding, zeros(8)), object(kAdvancedEncryption, {})});
  const Bytes size = le64(1000);
  std::copy(size.begin(), size.end(), extension.begin() + 24 + 22 + 16);
  EXPECT_FALSE(tagsOf(header({extension})).drm);
}

TEST(AsfDrm, EncryptionObjectPastTheFirstMegabyteIsFound) {
  // The buffer holds the first MiB of a 2 MiB header; the encryption object starts near its end.
  const size_t bufferSize = 1 << 20;
  for (size_t tail : {size_t(24), size_t(20), size_t(16)}) {
    const Bytes described = contentDescription(u"Protected", u"");
    const Bytes padding = object(kPadding, zeros(bufferSize - tail - 30 - described.size() - 24));
    const Bytes encryption = object(kContentEncryption, zeros(1 << 20));
    Bytes file = header({described, padding, encryption});
    ASSERT_GT(file.size(), bufferSize);
    file.resize(bufferSize);
    const TagInfo info = tagsOf(file);
    EXPECT_TRUE(info.drm) << tail;
    EXPECT_EQ(info.title, L"Protected"s);
  }
  // Part of the GUID alone tells nothing.
  const Bytes padding = object(kPadding, zeros(bufferSize - 30 - 24 - 15));
  Bytes file = header({padding, object(kContentEncryption, zeros(100))});
  file.resize(bufferSize);
  EXPECT_FALSE(tagsOf(file).drm);
}
