// The console of the Windows command line (zantovel.com).
#include <windows.h>

#include <io.h>

#include <cstdlib>

#include "platform/terminal.h"

namespace zantovel {
namespace {

std::atomic<bool>* stopFlag = nullptr;
std::atomic<int>* stopSignal = nullptr;
UINT consoleCodePage = 0;

// Runs on a thread of its own; the pass stops between two files, and the exit status says
// which request stopped it, as the signal's number does on Linux.
BOOL WINAPI OnConsoleEvent(DWORD event) {
  switch (event) {
    case CTRL_C_EVENT:
      stopSignal->store(2);  // SIGINT
      break;
    case CTRL_BREAK_EVENT:
    case CTRL_CLOSE_EVENT:
      stopSignal->store(15);  // SIGTERM
      break;
    default:
      return FALSE;
  }
  stopFlag->store(true);
  return TRUE;
}

void RestoreCodePage() {
  if (consoleCodePage != 0) SetConsoleOutputCP(consoleCodePage);
}

}  // namespace

void StopOnInterrupt(std::atomic<bool>& stop, std::atomic<int>& signal) {
  stopFlag = &stop;
  stopSignal = &signal;
  SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

bool IsTerminal(std::FILE* file) {
  // The progress line needs the console to take escapes (Windows 10 and later).
  DWORD mode = 0;
  const HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)));
  return GetConsoleMode(handle, &mode) && (mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING);
}

void PrepareTerminal() {
  // The console shows UTF-8 text until the program ends; then the code page it had comes back.
  const UINT before = GetConsoleOutputCP();
  if (before != 0 && before != CP_UTF8 && SetConsoleOutputCP(CP_UTF8)) {
    consoleCodePage = before;
    std::atexit(RestoreCodePage);
  }
  DWORD mode = 0;
  const HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
  if (GetConsoleMode(error, &mode))
    SetConsoleMode(error, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING);
}

}  // namespace zantovel
