#include "net/podcast/episode_text.h"

#include "base/text.h"
#include "net/podcast/feed_texts.h"
#include "net/podcast/pub_date.h"

namespace podcast {

namespace {

constexpr std::wstring_view kMonthNames[] = {L"Jan", L"Feb", L"Mar", L"Apr", L"May", L"Jun",
                                             L"Jul", L"Aug", L"Sep", L"Oct", L"Nov", L"Dec"};

}  // namespace

std::wstring urlFileName(std::wstring_view url) {
  std::wstring_view path = url.substr(0, url.find_first_of(L"?#"));
  const size_t slash = path.rfind(L'/');
  if (slash != std::wstring_view::npos) path.remove_prefix(slash + 1);
  return std::wstring(path.empty() ? url : path);
}

std::wstring episodeDisplayText(const Episode& episode) {
  std::wstring out = episode.title.empty() ? urlFileName(episode.url) : episode.title;
  std::wstring details;
  if (episode.published > 0) {
    const CivilDate date = utcDate(episode.published);
    details += text::toDecimal(uint64_t(date.day));
    details += L' ';
    details += kMonthNames[date.month - 1];
    details += L' ';
    details += text::toDecimal(date.year);
  }
  if (episode.duration >= 60) {
    if (!details.empty()) details += L", ";
    details += text::toDecimal((uint64_t(episode.duration) + 30) / 60);
    details += L" min";
  }
  if (!details.empty()) out += L" (" + details + L")";
  return out;
}

std::wstring episodeRowText(std::wstring_view displayText, bool heard) {
  std::wstring out;
  if (heard) out = kHeardMark;
  out += displayText;
  return out;
}

std::wstring subscriptionTitle(std::wstring_view feedTitle, std::wstring_view feedUrl) {
  if (feedTitle.empty()) return std::wstring(feedUrl);
  std::wstring title(feedTitle.substr(0, kMaxPodcastTitleLength));
  if (title.size() < feedTitle.size() && title.back() >= 0xD800 && title.back() <= 0xDBFF) {
    title.pop_back();
  }
  for (wchar_t& c : title) {
    if (c == L'|' || c < 32) c = L' ';
  }
  return title;
}

}  // namespace podcast
