// The Windows program: the window, and nothing else to start.
#include <windows.h>

#include "app/win32/main_window_win32.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
  return Win32MainWindow::Run(instance, show);
}
