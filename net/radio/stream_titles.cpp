#include "net/radio/stream_titles.h"

#include <utility>

namespace radio {

bool TitleFilter::admit(const std::wstring& title) {
  if (posted_ && title == last_) return false;
  posted_ = true;
  last_ = title;
  return true;
}

void DueTitles::add(uint64_t position, std::wstring title) {
  // Of titles at one position only the last is ever shown.
  if (!pending_.empty() && pending_.back().position == position) {
    pending_.back().title = std::move(title);
    return;
  }
  if (pending_.size() == kMaxPending) pending_.pop_front();
  pending_.push_back({position, std::move(title)});
}

bool DueTitles::takeDue(uint64_t played, std::wstring& title) {
  bool found = false;
  for (auto it = pending_.begin(); it != pending_.end();) {
    if (it->position <= played) {
      title = std::move(it->title);
      found = true;
      it = pending_.erase(it);
    } else {
      ++it;
    }
  }
  return found;
}

}  // namespace radio
