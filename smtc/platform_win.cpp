#include "smtc/platform_win.h"

#include <atomic>
#include <new>

#include "smtc/runtime_win.h"
#include "smtc/smtc.h"

namespace smtc {

namespace {

using Microsoft::WRL::ComPtr;

class ButtonHandler final : public abi::IButtonPressedHandler, public IAgileObject {
 public:
  ButtonHandler(HWND window, UINT message) : window_(window), message_(message) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (!object) return E_POINTER;
    if (iid == IID_IUnknown || iid == abi::kButtonPressedHandlerId) {
      *object = static_cast<abi::IButtonPressedHandler*>(this);
    } else if (iid == IID_IAgileObject) {
      *object = static_cast<IAgileObject*>(this);
    } else {
      *object = nullptr;
      return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
  }

  HRESULT STDMETHODCALLTYPE
  Invoke(abi::ISystemMediaTransportControls*,
         abi::ISystemMediaTransportControlsButtonPressedEventArgs* args) override {
    if (!args) return E_INVALIDARG;
    abi::SystemMediaTransportControlsButton button = 0;
    const HRESULT hr = args->get_Button(&button);
    if (FAILED(hr)) return hr;
    const int param = buttonMessageParam(button);
    if (param >= 0) PostMessageW(window_, message_, static_cast<WPARAM>(param), 0);
    return S_OK;
  }

 private:
  ~ButtonHandler() = default;

  std::atomic<ULONG> references_{1};
  const HWND window_;
  const UINT message_;
};

class RuntimePlatform final : public Platform {
 public:
  RuntimePlatform(ComPtr<abi::ISystemMediaTransportControlsInterop> factory,
                  ComPtr<abi::ISystemMediaTransportControls> controls, HWND window, UINT message)
      : factory_(std::move(factory)),
        controls_(std::move(controls)),
        window_(window),
        message_(message) {}
  ~RuntimePlatform() override { stopListening(); }

  bool setEnabled(Switch which, bool on) override {
    const abi::boolean value = on ? 1 : 0;
    switch (which) {
      case Switch::Controls:
        return SUCCEEDED(controls_->put_IsEnabled(value));
      case Switch::Play:
        return SUCCEEDED(controls_->put_IsPlayEnabled(value));
      case Switch::Pause:
        return SUCCEEDED(controls_->put_IsPauseEnabled(value));
      case Switch::Next:
        return SUCCEEDED(controls_->put_IsNextEnabled(value));
      case Switch::Previous:
        return SUCCEEDED(controls_->put_IsPreviousEnabled(value));
    }
    return false;
  }

  bool setStatus(Status status) override {
    int value = static_cast<int>(status);
    if (value < 1 || value > 4) value = abi::MediaPlaybackStatusClosed;
    return SUCCEEDED(controls_->put_PlaybackStatus(static_cast<abi::MediaPlaybackStatus>(value)));
  }

  bool showMusic(const std::wstring& title, const std::wstring& artist) override {
    ComPtr<abi::ISystemMediaTransportControlsDisplayUpdater> updater;
    if (FAILED(controls_->get_DisplayUpdater(updater.GetAddressOf())) || !updater) return false;
    if (FAILED(updater->put_Type(abi::MediaPlaybackTypeMusic))) return false;
    ComPtr<abi::IMusicDisplayProperties> music;
    if (FAILED(updater->get_MusicProperties(music.GetAddressOf())) || !music) return false;
    HString titleText;
    HString artistText;
    if (!titleText.assign(title) || !artistText.assign(artist)) return false;
    if (FAILED(music->put_Title(titleText.get())) || FAILED(music->put_Artist(artistText.get()))) {
      return false;
    }
    return SUCCEEDED(updater->Update());
  }

  bool clearDisplay() override {
    ComPtr<abi::ISystemMediaTransportControlsDisplayUpdater> updater;
    if (FAILED(controls_->get_DisplayUpdater(updater.GetAddressOf())) || !updater) return false;
    return SUCCEEDED(updater->ClearAll()) && SUCCEEDED(updater->Update());
  }

  bool listen() override {
    if (listening_) return true;
    ComPtr<abi::IButtonPressedHandler> handler = makeButtonHandler(window_, message_);
    if (!handler) return false;
    listening_ = SUCCEEDED(controls_->add_ButtonPressed(handler.Get(), &token_));
    return listening_;
  }

  void stopListening() override {
    if (!listening_) return;
    controls_->remove_ButtonPressed(token_);
    listening_ = false;
  }

 private:
  // Kept as long as the controls, which are released before COM is.
  ComPtr<abi::ISystemMediaTransportControlsInterop> factory_;
  ComPtr<abi::ISystemMediaTransportControls> controls_;
  HWND window_;
  UINT message_;
  EventRegistrationToken token_ = {};
  bool listening_ = false;
};

}  // namespace

ComPtr<abi::IButtonPressedHandler> makeButtonHandler(HWND window, UINT message) {
  ComPtr<abi::IButtonPressedHandler> handler;
  // The new object's one reference goes to the ComPtr.
  handler.Attach(new (std::nothrow) ButtonHandler(window, message));
  return handler;
}

std::unique_ptr<Platform> openPlatform(HWND window, UINT message) {
  ComPtr<abi::ISystemMediaTransportControlsInterop> factory;
  if (FAILED(activationFactory(abi::kRuntimeClass, abi::kInteropId,
                               reinterpret_cast<void**>(factory.GetAddressOf()))) ||
      !factory) {
    return nullptr;
  }
  ComPtr<abi::ISystemMediaTransportControls> controls;
  if (FAILED(factory->GetForWindow(window, abi::kControlsId,
                                   reinterpret_cast<void**>(controls.GetAddressOf()))) ||
      !controls) {
    return nullptr;
  }
  return std::unique_ptr<Platform>(new (std::nothrow)
                                       RuntimePlatform(factory, controls, window, message));
}

bool init(Controls& controls, HWND window, UINT message) {
  return controls.active() || controls.start(openPlatform(window, message));
}

}  // namespace smtc
