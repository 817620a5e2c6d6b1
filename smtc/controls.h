// The system media controls of the main window: what was last pushed to them, so that a refresh
// that changes nothing makes no platform call, and the order of the calls at start and at
// shut-down. The platform itself sits behind Platform (the Windows Runtime object in the
// program, a recording stand-in in tests). Used on the user-interface thread only.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "smtc/media_state.h"

namespace smtc {

enum class Switch : uint8_t { Controls, Play, Pause, Next, Previous };

// The few platform calls the controls make. Each returns false when the call failed.
class Platform {
 public:
  virtual ~Platform() = default;
  virtual bool setEnabled(Switch which, bool on) = 0;
  virtual bool setStatus(Status status) = 0;
  // Sets the display's type to music with this title and artist and commits it.
  virtual bool showMusic(const std::wstring& title, const std::wstring& artist) = 0;
  // Clears every property of the display and commits it.
  virtual bool clearDisplay() = 0;
  // Registers the button handler; stopListening unregisters it.
  virtual bool listen() = 0;
  virtual void stopListening() = 0;
};

class Controls {
 public:
  // Enables the controls and their buttons, pushes the closed status and listens to the
  // buttons. False (and inactive) when platform is empty or a call failed; true at once when
  // already active.
  bool start(std::unique_ptr<Platform> platform);
  bool active() const { return platform_ != nullptr; }
  // Pushes what changed since the last push, nothing when nothing did.
  void update(const MediaState& state);
  void setPreviousNextAvailable(bool available);
  // Stops listening, pushes the closed status and an empty display, and forgets the platform.
  void shutdown();

 private:
  std::unique_ptr<Platform> platform_;
  Display shown_;
  Status status_ = Status::Closed;
};

}  // namespace smtc
