// The main window's procedure: every message of the window, routed to its handler.
#pragma once

#include <windows.h>

LRESULT CALLBACK mainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// WM_NCCREATE: the window takes the MainWindow that createMainWindow handed to it (and deletes
// it at WM_NCDESTROY). FALSE when there is none, which fails the creation.
LRESULT adoptMainWindow(HWND window, LPARAM createStruct);
