// The Windows Runtime entry points of combase.dll, loaded on first use from the system folder
// (a system without them simply has no media controls), and the owner of a runtime string.
#pragma once

#include <windows.h>

#include <hstring.h>

#include <string>

namespace smtc {

// An HSTRING, deleted when the owner goes. Empty text is the null string, as the runtime has it.
class HString {
 public:
  HString() noexcept = default;
  ~HString();
  HString(HString&& other) noexcept;
  HString& operator=(HString&& other) noexcept;
  HString(const HString&) = delete;
  HString& operator=(const HString&) = delete;

  // Replaces the string with a copy of text; false when the runtime is missing or refuses.
  bool assign(const std::wstring& text) noexcept;
  HSTRING get() const noexcept { return value_; }

 private:
  void reset() noexcept;
  HSTRING value_ = nullptr;
};

// RoGetActivationFactory for a runtime class; an error when combase lacks it.
HRESULT activationFactory(const wchar_t* runtimeClass, REFIID iid, void** factory) noexcept;

}  // namespace smtc
