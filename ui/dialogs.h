// The shell's file dialogs and the message boxes.
#pragma once

#include <windows.h>

#include <string>

// "Open folder": folder picker with the "Include subfolders" check box. False on cancel.
bool pickFolder(HWND owner, const std::wstring& initialFolder, bool& includeSubfolders,
                std::wstring& folder);
// "Open book file": one audio file. False on cancel.
bool pickBookFile(HWND owner, std::wstring& path);
// The audiobook question, with No as the default answer. True for Yes.
bool askAudiobookQuestion(HWND owner, const std::wstring& question);
// Opens an https:// page in the browser; anything else is refused.
bool openWebPage(const std::wstring& url);
