// The main window's procedure: every message of the window, routed to its handler.
#pragma once

#include <windows.h>

LRESULT CALLBACK mainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// WM_NCCREATE: the window takes the MainWindow that createMainWindow handed to it. FALSE when
// there is none, which fails the creation.
LRESULT adoptMainWindow(HWND window, LPARAM createStruct);
// WM_NCDESTROY: the window lets go of its MainWindow, which is destroyed.
void releaseMainWindow(HWND window);
