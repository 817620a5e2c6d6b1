// The Windows Runtime interfaces of the system media controls that the program calls, declared
// from their identifiers (the MinGW-w64 headers lack them). Each interface lists its methods
// after the six of IInspectable, in the order of the platform's metadata, up to the last one
// used; a wrong identifier or order fails only on Windows, where the controls exist.
#pragma once

#include <windows.h>

#include <eventtoken.h>
#include <hstring.h>
#include <inspectable.h>

namespace smtc::abi {

using boolean = unsigned char;

enum MediaPlaybackStatus : int { MediaPlaybackStatusClosed = 0 };
enum MediaPlaybackType : int { MediaPlaybackTypeMusic = 1 };
using SystemMediaTransportControlsButton = int;

// Runtime class and interface identifiers.
inline constexpr wchar_t kRuntimeClass[] = L"Windows.Media.SystemMediaTransportControls";
inline constexpr GUID kInteropId = {
    0xddb0472d, 0xc911, 0x4a1f, {0x86, 0xd9, 0xdc, 0x3d, 0x71, 0xa9, 0x5f, 0x5a}};
inline constexpr GUID kControlsId = {
    0x99fa3ff4, 0x1742, 0x42a6, {0x90, 0x2e, 0x08, 0x7d, 0x41, 0xf9, 0x65, 0xec}};
inline constexpr GUID kButtonPressedEventArgsId = {
    0xb7f47116, 0xa56f, 0x4dc8, {0x9e, 0x11, 0x92, 0x03, 0x1f, 0x4a, 0x87, 0xc2}};
inline constexpr GUID kDisplayUpdaterId = {
    0x8abbc53e, 0xfa55, 0x4ecf, {0xad, 0x8e, 0xc9, 0x84, 0xe5, 0xdd, 0x15, 0x50}};
inline constexpr GUID kMusicDisplayPropertiesId = {
    0x6bbf0c59, 0xd0a0, 0x4d26, {0x92, 0xa0, 0xf9, 0x78, 0xe1, 0xd1, 0x8e, 0x7b}};
// TypedEventHandler<SystemMediaTransportControls, SystemMediaTransportControlsButtonPressed-
// EventArgs>: derived from the parameterized-type signature, as the platform derives it.
inline constexpr GUID kButtonPressedHandlerId = {
    0x0557e996, 0x7b23, 0x5bae, {0xaa, 0x81, 0xea, 0x0d, 0x67, 0x11, 0x43, 0xa4}};

struct IMusicDisplayProperties : IInspectable {
  virtual HRESULT STDMETHODCALLTYPE get_Title(HSTRING* value) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_Title(HSTRING value) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_AlbumArtist(HSTRING* value) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_AlbumArtist(HSTRING value) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Artist(HSTRING* value) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_Artist(HSTRING value) = 0;
};

struct ISystemMediaTransportControlsDisplayUpdater : IInspectable {
  virtual HRESULT STDMETHODCALLTYPE get_Type(MediaPlaybackType* value) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_Type(MediaPlaybackType value) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_AppMediaId(HSTRING* value) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_AppMediaId(HSTRING value) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Thumbnail(IUnknown** value) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_Thumbnail(IUnknown* value) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_MusicProperties(IMusicDisplayProperties** value) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_VideoProperties(IInspectable** value) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_ImageProperties(IInspectable** value) = 0;
  virtual HRESULT STDMETHODCALLTYPE CopyFromFileAsync(MediaPlaybackType type, IInspectable* source,
                                                      IInspectable** operation) = 0;
  virtual HRESULT STDMETHODCALLTYPE ClearAll() = 0;
  virtual HRESULT STDMETHODCALLTYPE Update() = 0;
};

struct ISystemMediaTransportControlsButtonPressedEventArgs : IInspectable {
  virtual HRESULT STDMETHODCALLTYPE get_Button(SystemMediaTransportControlsButton* value) = 0;
};

struct ISystemMediaTransportControls;

struct IButtonPressedHandler : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE
  Invoke(ISystemMediaTransportControls* sender,
         ISystemMediaTransportControlsButtonPressedEventArgs* args) = 0;
};

struct ISystemMediaTransportControls : IInspectable {
  virtual HRESULT STDMETHODCALLTYPE get_PlaybackStatus(MediaPlaybackStatus* value) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_PlaybackStatus(MediaPlaybackStatus value) = 0;
  virtual HRESULT STDMETHODCALLTYPE
  get_DisplayUpdater(ISystemMediaTransportControlsDisplayUpdater** value) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_SoundLevel(int* value) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_IsEnabled(boolean* value) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_IsEnabled(boolean value) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_IsPlayEnabled(boolean* value) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_IsPlayEnabled(boolean value) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_IsStopEnabled(boolean* value) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_IsStopEnabled(boolean value) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_IsPauseEnabled(boolean* value) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_IsPauseEnabled(boolean value) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_IsRecordEnabled(boolean* value) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_IsRecordEnabled(boolean value) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_IsFastForwardEnabled(boolean* value) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_IsFastForwardEnabled(boolean value) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_IsRewindEnabled(boolean* value) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_IsRewindEnabled(boolean value) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_IsPreviousEnabled(boolean* value) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_IsPreviousEnabled(boolean value) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_IsNextEnabled(boolean* value) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_IsNextEnabled(boolean value) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_IsChannelUpEnabled(boolean* value) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_IsChannelUpEnabled(boolean value) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_IsChannelDownEnabled(boolean* value) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_IsChannelDownEnabled(boolean value) = 0;
  virtual HRESULT STDMETHODCALLTYPE add_ButtonPressed(IButtonPressedHandler* handler,
                                                      EventRegistrationToken* token) = 0;
  virtual HRESULT STDMETHODCALLTYPE remove_ButtonPressed(EventRegistrationToken token) = 0;
};

struct ISystemMediaTransportControlsInterop : IInspectable {
  virtual HRESULT STDMETHODCALLTYPE GetForWindow(HWND appWindow, REFIID riid,
                                                 void** mediaTransportControl) = 0;
};

}  // namespace smtc::abi
