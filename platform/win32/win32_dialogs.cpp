// The message box and the folder dialog of the Windows program.
#include <shobjidl.h>
#include <windows.h>

#include <utility>

#include "platform/dialogs.h"
#include "platform/win32/wide_text.h"

namespace zantovel {

using win32::Narrow;
using win32::Wide;

void MsgBox(const std::string& text, MsgIcon icon, const std::string& caption,
            const std::string& /*linked: MessageBoxW holds no link*/) {
  // A box ends any busy wait the caller showed: the pointer is the user's again.
  SetCursor(LoadCursorW(nullptr, IDC_ARROW));
  UINT type = MB_OK;
  switch (icon) {
    case MsgIcon::None:
      break;
    case MsgIcon::Critical:
      type |= MB_ICONERROR;
      break;
    case MsgIcon::Exclamation:
      type |= MB_ICONWARNING;
      break;
    case MsgIcon::Information:
      type |= MB_ICONINFORMATION;
      break;
  }
  MessageBoxW(GetActiveWindow(), Wide(text).c_str(), Wide(caption).c_str(), type);
}

namespace {

// Releases a COM interface at the end of a scope.
template <typename Interface>
struct Com {
  Interface* p = nullptr;
  Com() = default;
  Com(const Com&) = delete;
  Com& operator=(const Com&) = delete;
  ~Com() {
    if (p != nullptr) p->Release();
  }
};

}  // namespace

namespace {

// The question shown now, which WithdrawQuestion ends; its window is caught as it is first
// activated, since MessageBoxW gives none.
HWND asking = nullptr;
HHOOK catching = nullptr;
constexpr int kWithdrawn = 0x7A01;

LRESULT CALLBACK CatchQuestion(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_ACTIVATE && asking == nullptr) asking = reinterpret_cast<HWND>(wParam);
  return CallNextHookEx(catching, code, wParam, lParam);
}

}  // namespace

Answer AskYesNo(const std::string& text, const std::string& caption) {
  const HWND outer = std::exchange(asking, nullptr);
  catching = SetWindowsHookExW(WH_CBT, CatchQuestion, nullptr, GetCurrentThreadId());
  const int answer =
      MessageBoxW(GetActiveWindow(), win32::Wide(text).c_str(), win32::Wide(caption).c_str(),
                  MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON1);
  if (catching != nullptr) UnhookWindowsHookEx(catching);
  catching = nullptr;
  asking = outer;
  if (answer == kWithdrawn) return Answer::Withdrawn;
  return answer == IDYES ? Answer::Yes : Answer::No;
}

void WithdrawQuestion() {
  if (asking != nullptr) EndDialog(asking, kWithdrawn);
}

std::string ChooseFolder(WindowHandle owner, const std::string& title, const std::string& start) {
  // Input and repaints already waiting are handled before the dialog opens.
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    // One of them may have closed the window: the program's end is left for its own loop,
    // and no picker opens for a window that is gone.
    if (message.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(message.wParam));
      return {};
    }
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  if (owner != nullptr && !IsWindow(static_cast<HWND>(owner))) return {};
  const HRESULT started = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  std::string chosen;
  {
    Com<IFileOpenDialog> dialog;
    Com<IShellItem> item;
    PWSTR path = nullptr;
    FILEOPENDIALOGOPTIONS options = 0;
    const std::wstring wideTitle = Wide(title);
    // Only folders with a file-system path can be chosen; nothing is preselected; the
    // program's working folder is left alone, so a relative path typed later means what it did.
    const bool made = SUCCEEDED(CoCreateInstance(CLSID_FileOpenDialog, nullptr,
                                                 CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&dialog.p)));
    // It opens at the field's folder where that is one; otherwise where the system chooses.
    Com<IShellItem> startItem;
    const std::optional<std::wstring> startPath = win32::FullPath(Wide(start));
    const DWORD startAttributes =
        startPath ? GetFileAttributesW(startPath->c_str()) : INVALID_FILE_ATTRIBUTES;
    if (made && startAttributes != INVALID_FILE_ATTRIBUTES &&
        (startAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
        SUCCEEDED(
            SHCreateItemFromParsingName(startPath->c_str(), nullptr, IID_PPV_ARGS(&startItem.p))))
      dialog.p->SetFolder(startItem.p);
    if (made && SUCCEEDED(dialog.p->GetOptions(&options)) &&
        SUCCEEDED(dialog.p->SetOptions(options | FOS_PICKFOLDERS | FOS_FORCEFILESYSTEM |
                                       FOS_PATHMUSTEXIST | FOS_NOCHANGEDIR)) &&
        SUCCEEDED(dialog.p->SetTitle(wideTitle.c_str())) &&
        SUCCEEDED(dialog.p->Show(static_cast<HWND>(owner))) &&
        SUCCEEDED(dialog.p->GetResult(&item.p)) &&
        SUCCEEDED(item.p->GetDisplayName(SIGDN_FILESYSPATH, &path))) {
      chosen = Narrow(path);
      CoTaskMemFree(path);
    }
  }
  if (SUCCEEDED(started)) CoUninitialize();
  return chosen;
}

}  // namespace zantovel
