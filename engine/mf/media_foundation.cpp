#include "engine/mf/media_foundation.h"

#include <mfapi.h>

#include <atomic>
#include <memory>
#include <new>

#include "base/scoped_win.h"

namespace mf {
namespace {

// MF_VERSION of the Windows 7 and later SDKs; lite: no socket support is needed.
constexpr ULONG kMfVersion = 0x20070;

std::atomic<const wchar_t*> platformLibrary{L"mfplat.dll"};

// Lives until the process ends and is never destroyed: Media Foundation's own threads run
// code from these modules, so nothing may unload them at exit.
struct Platform {
  base::ScopedModule mfplat;
  base::ScopedModule mfreadwrite;
  Functions functions{};
};

template <typename Function>
bool resolve(HMODULE module, const char* name, Function& out) {
  out = reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
  return out != nullptr;
}

const Functions* startUp() noexcept {
  std::unique_ptr<Platform> platform(new (std::nothrow) Platform());
  if (!platform) return nullptr;
  platform->mfplat.reset(
      LoadLibraryExW(platformLibrary.load(), nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32));
  if (!platform->mfplat) return nullptr;
  platform->mfreadwrite.reset(
      LoadLibraryExW(L"mfreadwrite.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32));
  if (!platform->mfreadwrite) return nullptr;

  HRESULT(WINAPI * startup)(ULONG, DWORD) = nullptr;
  Functions& f = platform->functions;
  if (!resolve(platform->mfplat.get(), "MFStartup", startup) ||
      !resolve(platform->mfplat.get(), "MFCreateMFByteStreamOnStream",
               f.createByteStreamOnStream) ||
      !resolve(platform->mfplat.get(), "MFCreateMediaType", f.createMediaType) ||
      !resolve(platform->mfplat.get(), "MFTEnumEx", f.enumTransforms) ||
      !resolve(platform->mfplat.get(), "MFCreateSample", f.createSample) ||
      !resolve(platform->mfplat.get(), "MFCreateMemoryBuffer", f.createMemoryBuffer) ||
      !resolve(platform->mfreadwrite.get(), "MFCreateSourceReaderFromByteStream",
               f.createSourceReaderFromByteStream)) {
    return nullptr;
  }
  // Threads that never initialise COM (the loader, the decoding threads) then belong to the
  // MTA; the cookie is never given back.
  CO_MTA_USAGE_COOKIE cookie = nullptr;
  if (FAILED(CoIncrementMTAUsage(&cookie))) return nullptr;
  // From here on Media Foundation may have started threads of its own: the modules stay.
  Platform* kept = platform.release();
  if (FAILED(startup(kMfVersion, MFSTARTUP_LITE))) return nullptr;
  return &kept->functions;
}

}  // namespace

const Functions* mediaFoundation() noexcept {
  static const Functions* const functions = startUp();
  return functions;
}

void setPlatformLibraryForTest(const wchar_t* name) noexcept { platformLibrary.store(name); }

}  // namespace mf
