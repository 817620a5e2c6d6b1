#include "net/podcast/xml_input_win.h"

#include <shlwapi.h>
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <new>

namespace podcast {

namespace {

using Microsoft::WRL::ComPtr;

constexpr size_t kLookBehind = 8;
constexpr size_t kStep = 4;  // Wine keeps its reads 4-byte aligned (UTF-16 pairs stay whole)
constexpr size_t kMaxStepBack = 256;

bool isRunningOnWine() {
  const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

bool endsSafely(std::string_view chunk) {
  const std::string_view tail = chunk.substr(chunk.size() - std::min(chunk.size(), kLookBehind));
  return tail.find_first_of("]-?") == std::string_view::npos;
}

class WineSafeStream final : public ISequentialStream {
 public:
  explicit WineSafeStream(std::string_view bytes) : rest_(bytes) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    if (iid == __uuidof(IUnknown) || iid == __uuidof(ISequentialStream)) {
      *out = static_cast<ISequentialStream*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
  }
  HRESULT STDMETHODCALLTYPE Read(void* buffer, ULONG wanted, ULONG* got) override {
    const size_t n = safeReadLength(rest_, wanted);
    if (n > 0) std::memcpy(buffer, rest_.data(), n);
    rest_.remove_prefix(n);
    if (got) *got = ULONG(n);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Write(const void*, ULONG, ULONG*) override {
    return STG_E_ACCESSDENIED;
  }

 private:
  std::string_view rest_;
  std::atomic<ULONG> references_{1};
};

}  // namespace

size_t safeReadLength(std::string_view rest, size_t wanted) {
  if (wanted >= rest.size()) return rest.size();
  for (size_t back = 0; back <= kMaxStepBack && back + kLookBehind < wanted; back += kStep) {
    if (endsSafely(rest.substr(0, wanted - back))) return wanted - back;
  }
  return wanted;
}

ComPtr<ISequentialStream> openXmlInput(std::string_view bytes) {
  static const bool wine = isRunningOnWine();
  ComPtr<ISequentialStream> stream;
  if (wine) {
    stream.Attach(new (std::nothrow) WineSafeStream(bytes));
  } else {
    stream.Attach(
        SHCreateMemStream(reinterpret_cast<const BYTE*>(bytes.data()), UINT(bytes.size())));
  }
  return stream;
}

}  // namespace podcast
