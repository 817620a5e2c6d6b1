// A stand-in for the platform's media controls that writes down every call, for the tests of
// the controls and of the player's use of them. The log outlives the stand-in, which the
// controls own.
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "smtc/controls.h"

namespace testsupport {

struct MediaCallLog {
  std::vector<std::wstring> calls;
  std::wstring failing;  // calls starting with this fail (and are still written down)
  std::wstring title, artist;
  bool previousEnabled = false, nextEnabled = false;
  smtc::Status status = smtc::Status::Closed;
  bool listening = false;

  std::vector<std::wstring> take() { return std::exchange(calls, {}); }
};

class RecordingMediaPlatform final : public smtc::Platform {
 public:
  explicit RecordingMediaPlatform(std::shared_ptr<MediaCallLog> log) : log_(std::move(log)) {}

  bool setEnabled(smtc::Switch which, bool on) override {
    static const wchar_t* const names[] = {L"controls", L"play", L"pause", L"next", L"previous"};
    if (!record(std::wstring(L"enable ") + names[static_cast<int>(which)] +
                (on ? L" on" : L" off")))
      return false;
    if (which == smtc::Switch::Next) log_->nextEnabled = on;
    if (which == smtc::Switch::Previous) log_->previousEnabled = on;
    return true;
  }
  bool setStatus(smtc::Status status) override {
    if (!record(L"status " +
                std::wstring(1, static_cast<wchar_t>(L'0' + static_cast<int>(status)))))
      return false;
    log_->status = status;
    return true;
  }
  bool showMusic(const std::wstring& title, const std::wstring& artist) override {
    if (!record(L"music " + title + L" / " + artist)) return false;
    log_->title = title;
    log_->artist = artist;
    return true;
  }
  bool clearDisplay() override {
    if (!record(L"clear")) return false;
    log_->title.clear();
    log_->artist.clear();
    return true;
  }
  bool listen() override { return log_->listening = record(L"listen"); }
  void stopListening() override {
    record(L"stop listening");
    log_->listening = false;
  }

 private:
  bool record(std::wstring call) {
    log_->calls.push_back(call);
    return log_->failing.empty() || call.rfind(log_->failing, 0) != 0;
  }
  std::shared_ptr<MediaCallLog> log_;
};

inline std::unique_ptr<smtc::Platform> recordingPlatform(const std::shared_ptr<MediaCallLog>& log) {
  return std::make_unique<RecordingMediaPlatform>(log);
}

}  // namespace testsupport
