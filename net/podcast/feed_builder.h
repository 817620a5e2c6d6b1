// Reads a feed document from its parser's events: the first channel (at any depth), its
// title, and for each item at the channel's next level the first enclosure, the title, the
// pubDate and the iTunes duration. The XML parser is only the event source, so these rules
// are portable and are tested and fuzzed without it.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "net/podcast/episode.h"

namespace podcast {

inline constexpr std::wstring_view kItunesNamespace = L"http://www.itunes.com/dtds/podcast-1.0.dtd";

class FeedBuilder {
 public:
  // An element starts; an empty one (<x/>) opens no level and sends no endElement. True when
  // it is an enclosure that counts: the caller passes its url and type attributes to
  // enclosure() before the next event.
  bool startElement(std::wstring_view localName, std::wstring_view namespaceUri, bool empty);
  void enclosure(std::wstring_view url, std::wstring_view type);
  void endElement();
  // Text, CDATA or whitespace.
  void text(std::wstring_view chars);

  // Whether text() keeps anything now, so that a parser need not fetch text nobody reads.
  bool collecting() const;
  // The channel ended or the episode limit was reached: nothing more is read.
  bool done() const;

  // Fills the result's title, episodes (sorted) and error. A reader failure drops all
  // that was gathered.
  void finish(bool readerFailed, FeedResult& out);

 private:
  enum class Field { None, FeedTitle, Title, PubDate, Duration };

  bool isRssElement(std::wstring_view namespaceUri) const;
  void beginField(Field field, int depth);
  std::wstring* fieldText();
  void endItem();

  int depth_ = 0;  // levels open
  bool rootSeen_ = false;
  std::wstring rssNamespace_;
  bool channelSeen_ = false;
  bool channelEnded_ = false;
  int channelDepth_ = 0;

  bool inItem_ = false;
  bool awaitingEnclosure_ = false;
  Episode item_;
  std::wstring pubDate_;
  std::wstring duration_;

  Field field_ = Field::None;
  int fieldDepth_ = 0;
  size_t fieldLimit_ = 0;
  bool fieldFull_ = false;

  std::wstring title_;
  std::vector<Episode> episodes_;
};

// Dated episodes first, newest first; then the undated; equal keys keep feed order.
void sortEpisodes(std::vector<Episode>& episodes);

}  // namespace podcast
