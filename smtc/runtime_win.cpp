#include "smtc/runtime_win.h"

#include <utility>

#include "base/scoped_win.h"

namespace smtc {

namespace {

using RoGetActivationFactoryFn = HRESULT(WINAPI*)(HSTRING, REFIID, void**);
using WindowsCreateStringFn = HRESULT(WINAPI*)(const WCHAR*, UINT32, HSTRING*);
using WindowsDeleteStringFn = HRESULT(WINAPI*)(HSTRING);

struct Runtime {
  base::ScopedModule module;
  RoGetActivationFactoryFn getActivationFactory = nullptr;
  WindowsCreateStringFn createString = nullptr;
  WindowsDeleteStringFn deleteString = nullptr;
  bool ok() const { return getActivationFactory && createString && deleteString; }
};

template <typename Fn>
Fn procedure(HMODULE module, const char* name) {
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

// Loaded once and kept: strings made from it may live until the end.
const Runtime& runtime() {
  static const Runtime loaded = [] {
    Runtime r;
    r.module.reset(LoadLibraryExW(L"combase.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32));
    if (r.module) {
      r.getActivationFactory =
          procedure<RoGetActivationFactoryFn>(r.module.get(), "RoGetActivationFactory");
      r.createString = procedure<WindowsCreateStringFn>(r.module.get(), "WindowsCreateString");
      r.deleteString = procedure<WindowsDeleteStringFn>(r.module.get(), "WindowsDeleteString");
    }
    return r;
  }();
  return loaded;
}

}  // namespace

HString::~HString() { reset(); }

HString::HString(HString&& other) noexcept : value_(std::exchange(other.value_, nullptr)) {}

HString& HString::operator=(HString&& other) noexcept {
  if (this != &other) {
    reset();
    value_ = std::exchange(other.value_, nullptr);
  }
  return *this;
}

void HString::reset() noexcept {
  if (value_) runtime().deleteString(value_);
  value_ = nullptr;
}

bool HString::assign(const std::wstring& text) noexcept {
  reset();
  const Runtime& r = runtime();
  if (!r.ok() || text.size() > UINT32_MAX) return false;
  if (SUCCEEDED(r.createString(text.c_str(), static_cast<UINT32>(text.size()), &value_))) {
    return true;
  }
  value_ = nullptr;
  return false;
}

HRESULT activationFactory(const wchar_t* runtimeClass, REFIID iid, void** factory) noexcept {
  *factory = nullptr;
  const Runtime& r = runtime();
  if (!r.ok()) return E_NOTIMPL;
  HString name;
  if (!name.assign(runtimeClass)) return E_OUTOFMEMORY;
  return r.getActivationFactory(name.get(), iid, factory);
}

}  // namespace smtc
