#include "net/podcast/feed_builder.h"

#include <algorithm>
#include <utility>

#include "base/text.h"
#include "net/podcast/duration.h"
#include "net/podcast/feed_texts.h"
#include "net/podcast/playable.h"
#include "net/podcast/pub_date.h"
#include "net/podcast/trim.h"

namespace podcast {

namespace {

bool isHighSurrogate(wchar_t c) { return c >= 0xD800 && c <= 0xDBFF; }

void trimInPlace(std::wstring& s) {
  const std::wstring_view t = trimmed(s);
  if (t.size() != s.size()) s = std::wstring(t);
}

}  // namespace

// RSS elements have no namespace. Some feeds declare a default namespace on the rss element
// (the old RSS 2.0 one, say), which puts every unprefixed element of the document in it;
// those are the same elements.
bool FeedBuilder::isRssElement(std::wstring_view namespaceUri) const {
  return namespaceUri.empty() || (!rssNamespace_.empty() && namespaceUri == rssNamespace_);
}

bool FeedBuilder::startElement(std::wstring_view localName, std::wstring_view namespaceUri,
                               bool empty) {
  awaitingEnclosure_ = false;
  const int depth = depth_;
  if (!empty) ++depth_;
  if (done()) return false;

  if (depth == 0 && !rootSeen_) {
    rootSeen_ = true;
    if (localName == L"rss") rssNamespace_ = namespaceUri;
  }
  const bool rss = isRssElement(namespaceUri);
  if (!channelSeen_) {
    if (rss && localName == L"channel") {
      channelSeen_ = true;
      channelDepth_ = depth;
      // <channel/> is a channel that ends where it starts.
      channelEnded_ = empty;
    }
    return false;
  }

  if (depth == channelDepth_ + 1) {
    if (!rss || empty) return false;
    if (localName == L"item") {
      inItem_ = true;
      item_ = Episode{};
      pubDate_.clear();
      duration_.clear();
    } else if (localName == L"title" && title_.empty()) {
      beginField(Field::FeedTitle, depth);
    }
  } else if (inItem_ && depth == channelDepth_ + 2) {
    if (rss && localName == L"enclosure") {
      awaitingEnclosure_ = item_.url.empty();
    } else if (empty) {
      // Nothing to collect.
    } else if (rss && localName == L"title") {
      if (item_.title.empty()) beginField(Field::Title, depth);
    } else if (rss && localName == L"pubDate") {
      beginField(Field::PubDate, depth);
    } else if (namespaceUri == kItunesNamespace && localName == L"duration") {
      beginField(Field::Duration, depth);
    }
  }
  return awaitingEnclosure_;
}

void FeedBuilder::enclosure(std::wstring_view url, std::wstring_view type) {
  if (!awaitingEnclosure_) return;
  awaitingEnclosure_ = false;
  item_.url = trimmed(url);
  item_.type = trimmed(type);
}

void FeedBuilder::beginField(Field field, int depth) {
  field_ = field;
  fieldDepth_ = depth;
  fieldFull_ = false;
  switch (field) {
    case Field::FeedTitle:
    case Field::Title:
      fieldLimit_ = kMaxTitleLength;
      break;
    case Field::PubDate:
      fieldLimit_ = kMaxPubDateLength;
      break;
    case Field::Duration:
      fieldLimit_ = kMaxDurationLength;
      break;
    case Field::None:
      break;
  }
  if (std::wstring* target = fieldText()) target->clear();
}

std::wstring* FeedBuilder::fieldText() {
  switch (field_) {
    case Field::FeedTitle:
      return &title_;
    case Field::Title:
      return &item_.title;
    case Field::PubDate:
      return &pubDate_;
    case Field::Duration:
      return &duration_;
    case Field::None:
      break;
  }
  return nullptr;
}

bool FeedBuilder::collecting() const {
  return field_ != Field::None && !fieldFull_ && depth_ == fieldDepth_ + 1;
}

void FeedBuilder::text(std::wstring_view chars) {
  awaitingEnclosure_ = false;
  if (!collecting()) return;
  std::wstring& target = *fieldText();
  const size_t room = fieldLimit_ - target.size();
  if (chars.size() > room) {
    chars = chars.substr(0, room);
    // Never keep half of a surrogate pair.
    if (!chars.empty() && isHighSurrogate(chars.back())) chars.remove_suffix(1);
    fieldFull_ = true;
  }
  target.append(chars);
}

void FeedBuilder::endElement() {
  awaitingEnclosure_ = false;
  if (depth_ == 0) return;
  const int depth = --depth_;
  if (field_ != Field::None && depth == fieldDepth_) {
    trimInPlace(*fieldText());
    field_ = Field::None;
  }
  if (!channelSeen_ || done()) return;
  if (depth == channelDepth_) {
    channelEnded_ = true;
  } else if (inItem_ && depth == channelDepth_ + 1) {
    endItem();
  }
}

void FeedBuilder::endItem() {
  inItem_ = false;
  if (!text::isValidUrl(item_.url)) return;
  item_.published = parsePubDate(pubDate_);
  item_.duration = parseDuration(duration_);
  item_.playable = isPlayable(item_.type, item_.url);
  episodes_.push_back(std::move(item_));
  item_ = Episode{};
}

bool FeedBuilder::done() const { return channelEnded_ || episodes_.size() >= kMaxEpisodes; }

void FeedBuilder::finish(bool readerFailed, FeedResult& out) {
  out.title.clear();
  out.episodes.clear();
  out.error.clear();
  if (readerFailed) {
    out.error = kXmlError;
  } else if (!channelSeen_) {
    out.error = kNoChannel;
  } else {
    trimInPlace(title_);
    out.title = std::move(title_);
    out.episodes = std::move(episodes_);
    sortEpisodes(out.episodes);
  }
  *this = FeedBuilder{};
}

void sortEpisodes(std::vector<Episode>& episodes) {
  std::stable_sort(episodes.begin(), episodes.end(), [](const Episode& a, const Episode& b) {
    if ((a.published != 0) != (b.published != 0)) return a.published != 0;
    return a.published > b.published;
  });
}

}  // namespace podcast
