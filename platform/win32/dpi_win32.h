#pragma once

#include <windows.h>

// The per-monitor DPI functions came with Windows 10 version 1607. They are looked up when
// first used, so the program also starts on older Windows, where the whole desktop has one
// DPI.
namespace zantovel::win32 {

// The dots per inch the window is drawn at.
UINT WindowDpi(HWND window);

// The window's outer rectangle for a client rectangle, at the given DPI.
void AdjustFrameForDpi(RECT& frame, DWORD style, DWORD exStyle, UINT dpi);

}  // namespace zantovel::win32
