#include "smtc/controls.h"

#include <utility>

namespace smtc {

bool Controls::start(std::unique_ptr<Platform> platform) {
  if (active()) return true;
  if (!platform) return false;
  for (Switch which :
       {Switch::Controls, Switch::Play, Switch::Pause, Switch::Next, Switch::Previous}) {
    if (!platform->setEnabled(which, true)) return false;
  }
  if (!platform->setStatus(Status::Closed) || !platform->listen()) return false;
  platform_ = std::move(platform);
  shown_ = Display();
  status_ = Status::Closed;
  return true;
}

void Controls::update(const MediaState& state) {
  if (!active()) return;
  Display display = displayFor(state);
  if (display != shown_) {
    const bool pushed = display.title.empty() ? platform_->clearDisplay()
                                              : platform_->showMusic(display.title, display.artist);
    // The old display stays; the status waits for the next update that gets through.
    if (!pushed) return;
    shown_ = std::move(display);
  }
  if (state.status != status_ && platform_->setStatus(state.status)) status_ = state.status;
}

void Controls::setPreviousNextAvailable(bool available) {
  if (!active()) return;
  platform_->setEnabled(Switch::Next, available);
  platform_->setEnabled(Switch::Previous, available);
}

void Controls::shutdown() {
  if (!active()) return;
  platform_->stopListening();
  platform_->setStatus(Status::Closed);
  platform_->clearDisplay();
  platform_.reset();
  shown_ = Display();
  status_ = Status::Closed;
}

}  // namespace smtc
