// Sends a window what Windows itself would, for the end-to-end test under Wine, where no window
// manager can: messages queued at once, or the end of the session.
//   send_message TITLE ACTION...
//     command=ID   posts WM_COMMAND with the control ID, as a click on it does
//     close        posts WM_CLOSE
//     endsession   sends WM_QUERYENDSESSION, then WM_ENDSESSION with its answer
// Exits 1 when no top-level window has the title, or the session's end was refused.
#include <windows.h>

#include <cwchar>

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) return 2;
  const HWND window = FindWindowW(nullptr, argv[1]);
  if (window == nullptr) return 1;
  for (int i = 2; i < argc; ++i) {
    const wchar_t* action = argv[i];
    if (std::wcsncmp(action, L"command=", 8) == 0) {
      PostMessageW(window, WM_COMMAND, std::wcstoul(action + 8, nullptr, 10), 0);
    } else if (std::wcscmp(action, L"close") == 0) {
      PostMessageW(window, WM_CLOSE, 0, 0);
    } else if (std::wcscmp(action, L"endsession") == 0) {
      const LRESULT agreed = SendMessageW(window, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF);
      SendMessageW(window, WM_ENDSESSION, agreed ? TRUE : FALSE, ENDSESSION_LOGOFF);
      if (!agreed) return 1;
    } else {
      return 2;
    }
  }
  return 0;
}
