// The console program starts the window program beside it, as a user who typed "zantovel"
// without arguments expects.
#include <windows.h>

#include <shellapi.h>

#include <cstdio>
#include <string>

#include "platform/app.h"
#include "platform/path_rules.h"
#include "platform/win32/wide_text.h"
#include "platform/window_module.h"

namespace zantovel {

namespace {

// A word quoted for a command line, as CommandLineToArgvW reads it back: backslashes are
// doubled only where a quote follows them.
std::wstring Quoted(const std::wstring& word) {
  std::wstring quoted = L"\"";
  std::size_t backslashes = 0;
  for (const wchar_t c : word) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    quoted.append(c == L'"' ? 2 * backslashes + 1 : backslashes, L'\\');
    backslashes = 0;
    quoted += c;
  }
  quoted.append(2 * backslashes, L'\\');
  return quoted + L"\"";
}

}  // namespace

int RunWindowModule(int, char**) {
  const std::string window = JoinPath(FolderOf(ExecutablePath()), "zantovel.exe");
  std::wstring commandLine = Quoted(win32::Wide(window));
  // The arguments go along: a folder to open the window on.
  int count = 0;
  if (LPWSTR* words = CommandLineToArgvW(GetCommandLineW(), &count)) {
    for (int i = 1; i < count; ++i) commandLine += L" " + Quoted(words[i]);
    LocalFree(words);
  }
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
