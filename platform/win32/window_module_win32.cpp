// The console program starts the window program beside it, as a user who typed "zantovel"
// without arguments expects.
#include <windows.h>

#include <cstdio>
#include <string>

#include "platform/app.h"
#include "platform/path_rules.h"
#include "platform/win32/wide_text.h"
#include "platform/window_module.h"

namespace zantovel {

int RunWindowModule(int, char**) {
  const std::string window = JoinPath(FolderOf(ExecutablePath()), "zantovel.exe");
  std::wstring commandLine = L"\"" + win32::Wide(window) + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started{};
  if (!CreateProcessW(win32::Wide(window).c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0,
                      nullptr, nullptr, &startup, &started)) {
    std::fprintf(stderr, "zantovel: cannot start %s: %s\n", window.c_str(),
                 win32::SystemMessage(GetLastError()).c_str());
    return 1;
  }
  CloseHandle(started.hThread);
  CloseHandle(started.hProcess);
  return 0;
}

}  // namespace zantovel
