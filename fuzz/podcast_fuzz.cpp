// Everything a feed's server controls that is parsed without the platform: the first byte
// chooses the pubDate parser, the duration parser or the feed builder, which is driven by
// parser events decoded from the rest of the input.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "base/text.h"
#include "net/podcast/duration.h"
#include "net/podcast/episode_text.h"
#include "net/podcast/feed_builder.h"
#include "net/podcast/feed_texts.h"
#include "net/podcast/pub_date.h"
#include "net/podcast/trim.h"

namespace {

using namespace podcast;

constexpr std::wstring_view kNames[] = {L"rss",       L"channel", L"item",     L"title",
                                        L"enclosure", L"pubDate", L"duration", L"description"};
constexpr std::wstring_view kNamespaces[] = {
    L"", kItunesNamespace, L"http://backend.userland.com/rss2", L"http://www.w3.org/2005/Atom"};
constexpr std::wstring_view kWords[] = {L"http://e.com/a.mp3",
                                        L"  https://e.com/b.m4a?x=1 ",
                                        L"audio/mpeg",
                                        L"application/octet-stream",
                                        L"Tue, 05 Mar 24 14:30:00 +0200",
                                        L"1:02:03.5",
                                        L"5 Mar 2024",
                                        L"http://",
                                        L"https://e.com/has space.mp3",
                                        L"audio/ogg",
                                        L" \n\t",
                                        L"",
                                        L"\U0001F3A7",
                                        L"Thu, 01 Jan 1970 00:00:00 +9999",
                                        L"4294967295",
                                        L"31 Dec 9999 23:59:60 -9999"};
constexpr wchar_t kUnits[] = {0xD83C, 0xDFA7, 0x2014, 0xFFFD, 0x00E9, L'|', 0x0001, L':'};

class Events {
 public:
  Events(const uint8_t* data, size_t size) : p_(data), n_(size) {}
  bool more() const { return n_ > 0; }
  uint8_t byte() {
    if (n_ == 0) return 0;
    --n_;
    return *p_++;
  }
  // A dictionary word, or up to 63 units of which the high bytes stand for awkward ones.
  std::wstring text() {
    const uint8_t head = byte();
    if (head & 0x80) return std::wstring(kWords[head & 15]);
    std::wstring s;
    for (int i = head & 0x3F; i > 0 && more(); --i) {
      const uint8_t b = byte();
      s.push_back(b >= 0xF8 ? kUnits[b - 0xF8] : wchar_t(b));
    }
    return s;
  }

 private:
  const uint8_t* p_;
  size_t n_;
};

void check(bool ok) {
  if (!ok) __builtin_trap();
}

void buildFeed(Events& in, bool readerFailed) {
  FeedBuilder builder;
  while (in.more() && !builder.done()) {
    switch (in.byte() % 4) {
      case 0: {
        const uint8_t b = in.byte();
        if (builder.startElement(kNames[b & 7], kNamespaces[(b >> 3) & 3], (b & 0x20) != 0)) {
          const std::wstring url = in.text();
          builder.enclosure(url, in.text());
        }
        break;
      }
      case 1:
        builder.endElement();
        break;
      case 2:
        builder.text(in.text());
        break;
      case 3: {
        const std::wstring url = in.text();
        builder.enclosure(url, in.text());
        break;
      }
    }
  }
  FeedResult out;
  builder.finish(readerFailed, out);
  if (!out.error.empty()) {
    check(out.error == kXmlError || out.error == kNoChannel);
    check(out.title.empty() && out.episodes.empty());
    return;
  }
  check(out.title.size() <= kMaxTitleLength && trimmed(out.title).size() == out.title.size());
  check(out.episodes.size() <= kMaxEpisodes);
  for (size_t i = 0; i < out.episodes.size(); ++i) {
    const Episode& e = out.episodes[i];
    check(text::isValidUrl(e.url) && e.title.size() <= kMaxTitleLength);
    check(trimmed(e.title).size() == e.title.size() && trimmed(e.type).size() == e.type.size());
    check(!episodeDisplayText(e).empty());
    if (i > 0) {
      const Episode& before = out.episodes[i - 1];
      check(before.published != 0 || e.published == 0);
      check(e.published == 0 || before.published >= e.published);
    }
  }
  const std::wstring url = L"http://e.com/feed";
  const std::wstring name = subscriptionTitle(out.title, url);
  check(out.title.empty() ? name == url : name.size() <= kMaxPodcastTitleLength);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const uint8_t which = data[0];
  const std::wstring text =
      text::utf8ToWide(std::string_view(reinterpret_cast<const char*>(data + 1), size - 1));
  switch ((which & 0x7F) % 3) {
    case 0: {
      const int64_t published = parsePubDate(text);
      // 1970 to 9999, a leap second and a zone of at most +-99:99.
      constexpr int64_t kZone = (99 * 60 + 99) * 60;
      check(published == 0 || (published >= -kZone && published <= 253402300800 + kZone));
      Episode e;
      e.url = L"http://e.com/x.mp3";
      e.published = published;
      check(!episodeDisplayText(e).empty());
      break;
    }
    case 1: {
      const uint32_t seconds = parseDuration(text);
      const std::wstring_view t = trimmed(text);
      check(seconds == 0 || (t[0] >= L'0' && t[0] <= L'9'));
      break;
    }
    case 2: {
      Events in(data + 1, size - 1);
      buildFeed(in, (which & 0x80) != 0);
      break;
    }
  }
  return 0;
}
