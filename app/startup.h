// The process's start-up pieces that need the system: the command line and the message loop.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "player/start_options.h"

// The arguments after the program name (CommandLineToArgvW of GetCommandLineW).
std::vector<std::wstring> commandLineArguments();
// The same for a given command line, whose first argument is the program.
std::vector<std::wstring> splitCommandLine(const wchar_t* commandLine);

// GetFullPathNameW's absolute form of a path; empty when it fails.
std::wstring fullPathName(const std::wstring& path);

// This process's options: its command line with paths made absolute.
StartOptions readStartOptions();

// Runs the thread's messages until WM_QUIT (or an error), offering each to the main window's
// dialog navigation first. Returns the WM_QUIT wParam.
int runMessageLoop(HWND mainWindow);
