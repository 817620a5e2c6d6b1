// The dialogs that ask for a web address (a station's stream, a podcast's feed): an optional
// name field, the URL field, a hint line that an invalid URL's message replaces, and a link.
#pragma once

#include <windows.h>

#include <string>

struct UrlDialog {
  int resource = 0;
  int nameField = 0;  // 0: the dialog has no name field
  int nameLimit = 0;
  int urlField = 0;
  int urlLimit = 0;
  int hint = 0;
  int link = 0;
  const wchar_t* urlRequired = L"";  // shown in the hint line when Add finds no valid URL
};

// Shows the dialog; true when Add found a valid URL. The URL and the name (when `name` is
// given) come back trimmed; the name may be empty.
bool askUrl(HWND owner, const UrlDialog& dialog, std::wstring* name, std::wstring& url);
