#include "tests/support/radio_station.h"

#include <algorithm>

#include <string>

#include "base/messages.h"
#include "tests/support/test_server.h"
#include "tests/support/win_test_support.h"

namespace testsupport {

namespace {

constexpr wchar_t kClassName[] = L"TarnwickTestRadioListener";

}  // namespace

RadioListener::RadioListener() {
  WNDCLASSW windowClass = {};
  windowClass.lpfnWndProc = procedure;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.lpszClassName = kClassName;
  RegisterClassW(&windowClass);  // fails harmlessly when already registered
  window_ = CreateWindowExW(0, kClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                            GetModuleHandleW(nullptr), this);
}

RadioListener::~RadioListener() {
  drain();
  if (window_) DestroyWindow(window_);
}

LRESULT CALLBACK RadioListener::procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(window, GWLP_USERDATA, LONG_PTR(create->lpCreateParams));
  }
  auto* self = reinterpret_cast<RadioListener*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (message == kRadioMessage && self) {
    std::unique_ptr<RadioEvent> event = takeRecord<RadioEvent>(lParam);
    auto it = self->events_.find(event->session);
    if (it != self->events_.end()) it->second.push_back(std::move(event));
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

int32_t RadioListener::openSession() {
  const int32_t session = nextSession_++;
  events_[session];
  return session;
}

void RadioListener::closeSession(int32_t session) { events_.erase(session); }

void RadioListener::drain() {
  MSG message;
  while (window_ && PeekMessageW(&message, window_, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
}

RadioStation::RadioStation(RadioListener& listener, const std::wstring& url, uint32_t codepage)
    : listener_(listener), session_(listener.openSession()) {
  started_ = stream_.start(url, session_, codepage, listener.window(), kRadioMessage);
}

double RadioStation::stop() {
  const double start = nowMs();
  stream_.stop();
  const double took = nowMs() - start;
  if (open_) listener_.closeSession(session_);
  open_ = false;
  return took;
}

RadioEvent* RadioStation::find(uint8_t kind, size_t n) {
  for (const auto& event : events()) {
    if (event->kind == kind && n-- == 0) return event.get();
  }
  return nullptr;
}

size_t RadioStation::count(uint8_t kind) {
  return size_t(std::count_if(events().begin(), events().end(),
                              [kind](const auto& event) { return event->kind == kind; }));
}

std::vector<std::wstring> RadioStation::texts(uint8_t kind) {
  std::vector<std::wstring> out;
  for (const auto& event : events()) {
    if (event->kind == kind) out.push_back(event->text);
  }
  return out;
}

bool startBlockedStations(RadioListener& listener, const TestServer& server,
                          const std::wstring& prefix, BlockedStations& stations, DWORD timeoutMs) {
  const auto requests = [&](const std::wstring& path) {
    std::string body;
    return server.get(L"/_count?path=" + prefix + path, body) ? std::stoi(body) : -1;
  };
  const auto play = [&](const std::wstring& path) {
    return std::make_unique<RadioStation>(listener, server.url(prefix + path));
  };
  stations.connecting = play(L"s1.mp3?silent=1");
  stations.linking = play(L"s2.pls?silent=1");
  stations.reconnecting = play(L"s3.mp3?status=503");
  // The ring holds twenty minutes at the stream's rate: a low rate fills it soonest.
  stations.full = play(L"s4.mp3?pace=0&file=tone440_8000.mp3");
  stations.all[0] = stations.connecting.get();
  stations.all[1] = stations.linking.get();
  stations.all[2] = stations.reconnecting.get();
  stations.all[3] = stations.full.get();
  return pumpUntil(
      [&] {
        const RadioEvent* started = stations.full->find(RadioEvent::kStarted);
        return requests(L"s1.mp3") == 1 && requests(L"s2.pls") == 1 &&
               stations.reconnecting->count(RadioEvent::kStatus) >= 3 && started &&
               started->ring->buffered() == started->ring->capacity() - 1;
      },
      timeoutMs);
}

RingConsumer::~RingConsumer() {
  if (ring_) ring_->release();
}

void RingConsumer::advance(RadioStation& station) {
  const double now = nowMs();
  while (RadioEvent* event = station.find(RadioEvent::kStarted, rings_)) {
    ++rings_;
    if (ring_) ring_->release();
    ring_ = event->takeRing();
    rate_ = uint32_t(event->sampleRate);
    startMs_ = now;
    due_ = played_ = 0;
    left_.clear();
  }
  if (!ring_) return;
  const uint64_t due = uint64_t((now - startMs_) * rate_ * speed_ / 1000);
  while (due_ < due) {
    const uint32_t want = uint32_t(std::min<uint64_t>(due - due_, 4096));
    buffer_.resize(size_t{want} * 2);
    const uint32_t got = ring_->read(buffer_.data(), want);
    if (left_.size() > size_t{rate_} * 4) left_.erase(left_.begin(), left_.end() - rate_ * 2);
    for (uint32_t i = 0; i < got; ++i) left_.push_back(buffer_[size_t{i} * 2]);
    played_ += got;
    // Time runs on while the ring is dry: what was not there is a gap, not a debt.
    due_ += want;
    if (got < want) {
      ++dry_;
      due_ = due;
    }
  }
}

std::vector<float> readLeft(RadioRing& ring, uint32_t frames) {
  std::vector<float> buffer(size_t{frames} * 2);
  const uint32_t got = ring.read(buffer.data(), frames);
  std::vector<float> left(got);
  for (uint32_t i = 0; i < got; ++i) left[i] = buffer[size_t{i} * 2];
  return left;
}

}  // namespace testsupport
