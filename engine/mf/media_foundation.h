// Media Foundation, started once per process from the system folder. The program links no
// Media Foundation library: editions without the Media Feature Pack lack mfplat.dll, and the
// program must still start there (only M4A/WMA tracks and AAC stations fail).
#pragma once

#include <mfapi.h>
#include <mfidl.h>
#include <mfreadwrite.h>
#include <objidl.h>

namespace mf {

// The entry points taken from the loaded modules. MinGW-w64's headers lack a declaration of
// MFCreateMFByteStreamOnStream; mfplat exports it with this signature.
struct Functions {
  HRESULT(WINAPI* createByteStreamOnStream)(IStream* stream, IMFByteStream** byteStream);
  HRESULT(WINAPI* createMediaType)(IMFMediaType** type);
  HRESULT(WINAPI* createSourceReaderFromByteStream)
  (IMFByteStream* byteStream, IMFAttributes* attributes, IMFSourceReader** reader);
  // For the radio's AAC decoder transform.
  HRESULT(WINAPI* enumTransforms)
  (GUID category, UINT32 flags, const MFT_REGISTER_TYPE_INFO* input,
   const MFT_REGISTER_TYPE_INFO* output, IMFActivate*** activates, UINT32* count);
  HRESULT(WINAPI* createSample)(IMFSample** sample);
  HRESULT(WINAPI* createMemoryBuffer)(DWORD maxLength, IMFMediaBuffer** buffer);
};

// The start-up runs on the first call from any thread: mfplat.dll and mfreadwrite.dll from the
// system folder, the process-wide MTA, MFStartup (lite). Its result is kept for the run:
// null when Media Foundation is not available, and it is never tried again.
const Functions* mediaFoundation() noexcept;

// Test seam: the start-up loads this module in place of "mfplat.dll" (a missing name makes
// Media Foundation unavailable). Takes effect only before the first mediaFoundation() call.
void setPlatformLibraryForTest(const wchar_t* name) noexcept;

}  // namespace mf
