// The shell's file dialogs.
#pragma once

#include <windows.h>

#include <string>

// "Open folder": folder picker with the "Include subfolders" check box. False on cancel.
bool pickFolder(HWND owner, const std::wstring& initialFolder, bool& includeSubfolders,
                std::wstring& folder);
// "Open book file": one audio file. False on cancel.
bool pickBookFile(HWND owner, std::wstring& path);
// Opens an https:// page in the browser; anything else is refused.
bool openWebPage(const std::wstring& url);
