#include "app/win32/main_window_win32.h"

#include <commctrl.h>
#include <shellapi.h>
#include <shlwapi.h>
#include <windowsx.h>

#include <cstdlib>

#include <string>

#include "platform/app.h"
#include "platform/dialogs.h"
#include "platform/win32/dpi_win32.h"
#include "platform/win32/taskbar_win32.h"
#include "platform/win32/wide_text.h"

namespace {

using zantovel::WindowModel;
using zantovel::win32::Narrow;
using zantovel::win32::Wide;
using Over = WindowModel::PointerOver;
namespace layout = zantovel::layout;

constexpr wchar_t kClassName[] = L"ZantovelWindow";

constexpr COLORREF ColourRef(unsigned rgb) {
  return RGB(rgb >> 16, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

// Control identifiers; 1 and 2 are what the dialog keys Return and Escape send, and do nothing.
enum : int {
  kFolderId = 101,
  kPrefixId,
  kTypeId,
  kBrowseId = 201,
  kRunId,
  kHelpId,
  kStopId,
  kUndoId,
  kPreviewId,
  kCaptionId = 301,
};

// Posted by the worker when a pass or an undo has ended.
constexpr UINT kWorkEnded = WM_APP + 1;
// Posted by the worker when the plan of taking back a pass is ready.
constexpr UINT kUndoPlanned = WM_APP + 3;
// The window's timers: the progress is read ten times a second, and shown after half a second.
constexpr UINT_PTR kProgressTimer = 1;
constexpr UINT_PTR kShowProgressTimer = 2;
constexpr wchar_t kProgressClassName[] = L"ZantovelProgress";

// The progress window's own messages: Cancel, or its close button, asks the owner to stop.
LRESULT CALLBACK ProgressProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if ((message == WM_COMMAND && LOWORD(wParam) == IDCANCEL) || message == WM_CLOSE) {
    PostMessageW(GetWindow(window, GW_OWNER), WM_COMMAND, kStopId, 0);
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

// The icons in the program's resources.
constexpr int kAppIconResource = 1;
constexpr int kHelpIconResource = 2;

}  // namespace

Win32MainWindow::Win32MainWindow(HINSTANCE instance, zantovel::ProgramFiles& files)
    : instance_(instance),
      model_(files),
      runner_({[this] { PostMessageW(window_, kWorkEnded, 0, 0); }, [this] { Settle(); }}),
      undoPlanning_([this] { PostMessageW(window_, kUndoPlanned, 0, 0); }) {}

int Win32MainWindow::Run(HINSTANCE instance, int show) {
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_BAR_CLASSES};
  InitCommonControlsEx(&controls);

  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = WindowProc;
  windowClass.hInstance = instance;
  windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(kAppIconResource));
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  windowClass.hbrBackground = CreateSolidBrush(ColourRef(layout::kBackgroundColour));
  windowClass.lpszClassName = kClassName;
  RegisterClassExW(&windowClass);
  WNDCLASSEXW progressClass{};
  progressClass.cbSize = sizeof progressClass;
  progressClass.lpfnWndProc = ProgressProc;
  progressClass.hInstance = instance;
  progressClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  progressClass.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
  progressClass.lpszClassName = kProgressClassName;
  RegisterClassExW(&progressClass);

  zantovel::ProgramFiles files(zantovel::ExecutablePath());
  // Files another user could have planted or changed are not used at all.
  if (const std::optional<std::string> why = files.Distrust()) {
    zantovel::MsgBox(*why, zantovel::MsgIcon::Critical, zantovel::AppTitle());
    return 1;
  }
  Win32MainWindow self(instance, files);
  // A fixed-size window: a title bar with the system menu and the close button only.
  CreateWindowExW(0, kClassName, L"", WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU, CW_USEDEFAULT,
                  CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, instance, &self);
  if (self.window_ == nullptr) return 1;
  self.taskbar_ = std::make_unique<zantovel::win32::TaskbarProgress>(self.window_);
  // The shell's own completion of folder names as they are typed (its COM was started above).
  SHAutoComplete(self.folderEdit_, SHACF_FILESYS_DIRS);
  // "zantovel.exe DIR", as Explorer's entry starts it, opens the window on DIR.
  int count = 0;
  if (LPWSTR* words = CommandLineToArgvW(GetCommandLineW(), &count)) {
    int first = 1;
    if (count > first && std::wstring_view(words[first]) == L"--") ++first;
    if (count == first + 1) {
      // Explorer quotes a drive's root as "C:\", which reads back as C:" (no name holds a quote).
      std::wstring folder = words[first];
      if (!folder.empty() && folder.back() == L'"') folder.back() = L'\\';
      self.OpenOn(Narrow(folder));
    }
    LocalFree(words);
  }
  ShowWindow(self.window_, show);
  SetFocus(self.folderEdit_);

  // Everything the mouse does, the keyboard does too. Plain Return does nothing, so that a
  // pass never starts by accident.
  ACCEL keys[] = {
      {FVIRTKEY | FCONTROL, VK_RETURN, kRunId},
      {FVIRTKEY | FCONTROL, 'O', kBrowseId},
      {FVIRTKEY, VK_F1, kHelpId},
      {FVIRTKEY, VK_ESCAPE, kStopId},
      {FVIRTKEY | FCONTROL, 'Z', kUndoId},
      {FVIRTKEY, VK_F5, kPreviewId},
  };
  const HACCEL shortcuts = CreateAcceleratorTableW(keys, ARRAYSIZE(keys));
  MSG message{};
  // The program ends with its window, even where a nested message loop (the folder picker's)
  // took the quit message that the window's end posted.
  while (self.window_ != nullptr && GetMessageW(&message, nullptr, 0, 0) > 0) {
    // Ctrl+Z in a text box takes back its typing first, as in any Windows edit box (and as the
    // Qt window does); with none left to take back, it takes back a pass. The box's own undo
    // would take back its undo next, so what it took back is forgotten.
    if (message.message == WM_KEYDOWN && message.wParam == 'Z' &&
        (GetKeyState(VK_CONTROL) & 0x8000) != 0 && GetParent(message.hwnd) == self.window_ &&
        (message.hwnd == self.folderEdit_ || message.hwnd == self.prefixEdit_ ||
         message.hwnd == self.typeEdit_) &&
        SendMessageW(message.hwnd, EM_CANUNDO, 0, 0) != 0) {
      SendMessageW(message.hwnd, EM_UNDO, 0, 0);
      SendMessageW(message.hwnd, EM_EMPTYUNDOBUFFER, 0, 0);
      continue;
    }
    if (TranslateAcceleratorW(self.window_, shortcuts, &message)) continue;
    // Tab and Shift+Tab move between the text boxes, and between the preview's controls.
    if (self.window_ != nullptr && IsDialogMessageW(self.window_, &message)) continue;
    if (self.preview_ != nullptr && IsDialogMessageW(self.preview_->Handle(), &message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  DestroyAcceleratorTable(shortcuts);
  return message.message == WM_QUIT ? static_cast<int>(message.wParam) : 0;
}

LRESULT CALLBACK Win32MainWindow::WindowProc(HWND window, UINT message, WPARAM wParam,
                                             LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* self =
        static_cast<Win32MainWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    self->window_ = window;
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<Win32MainWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (self == nullptr) return DefWindowProcW(window, message, wParam, lParam);
  return self->Handle(message, wParam, lParam);
}

LRESULT CALLBACK Win32MainWindow::LabelButtonProc(HWND label, UINT message, WPARAM wParam,
                                                  LPARAM lParam, UINT_PTR, DWORD_PTR self) {
  auto* window = reinterpret_cast<Win32MainWindow*>(self);
  switch (message) {
    case WM_MOUSEMOVE:
      if (label == window->browseButton_ || label == window->runButton_)
        window->OnMouseMovedOver(label == window->browseButton_ ? Over::BrowseButton
                                                                : Over::RunButton);
      break;
    // A static control tells of a click as the button goes down. A click here is a press and
    // a release over the same label, as on a button, so a press dragged off it does nothing.
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      SetCapture(label);
      return 0;
    case WM_LBUTTONUP: {
      if (GetCapture() != label) return 0;
      ReleaseCapture();
      RECT area;
      GetClientRect(label, &area);
      const POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      if (PtInRect(&area, at))
        SendMessageW(GetParent(label), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(label), STN_CLICKED),
                     reinterpret_cast<LPARAM>(label));
      return 0;
    }
    // A Tab stop: Space and Return press it, as they press a button, and a dotted frame shows
    // that it has the focus.
    case WM_GETDLGCODE:
      if (lParam != 0) {
        const auto* key = reinterpret_cast<const MSG*>(lParam);
        if (key->message == WM_KEYDOWN && (key->wParam == VK_SPACE || key->wParam == VK_RETURN))
          return DLGC_WANTMESSAGE;
      }
      break;
    case WM_KEYDOWN:
      if (wParam == VK_SPACE || wParam == VK_RETURN) {
        SendMessageW(GetParent(label), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(label), STN_CLICKED),
                     reinterpret_cast<LPARAM>(label));
        return 0;
      }
      break;
    case WM_SETFOCUS:
    case WM_KILLFOCUS: {
      // The label is drawn over its owner's rectangle: the owner paints that place again, so
      // that a frame that went leaves no trace.
      RECT place;
      GetWindowRect(label, &place);
      MapWindowPoints(nullptr, GetParent(label), reinterpret_cast<POINT*>(&place), 2);
      InvalidateRect(GetParent(label), &place, TRUE);
      InvalidateRect(label, nullptr, TRUE);
      break;
    }
    case WM_PAINT: {
      const LRESULT painted = DefSubclassProc(label, message, wParam, lParam);
      if (GetFocus() == label) {
        RECT area;
        GetClientRect(label, &area);
        InflateRect(&area, -1, -1);
        const HDC dc = GetDC(label);
        DrawFocusRect(dc, &area);
        ReleaseDC(label, dc);
      }
      return painted;
    }
  }
  return DefSubclassProc(label, message, wParam, lParam);
}

LRESULT Win32MainWindow::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      CreateControls();
      OnLoad();
      return 0;
    case WM_DPICHANGED: {
      const RECT* suggested = reinterpret_cast<const RECT*>(lParam);
      Layout(HIWORD(wParam));
      SetWindowPos(window_, nullptr, suggested->left, suggested->top, 0, 0,
                   SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOSIZE);
      return 0;
    }
    case WM_PAINT:
      OnPaint();
      return 0;
    case WM_CTLCOLORSTATIC: {
      // Captions and label-buttons are transparent: the rectangles show through them.
      const auto dc = reinterpret_cast<HDC>(wParam);
      SetBkMode(dc, TRANSPARENT);
      // The background and the rectangles have fixed colours, so the text on them has one
      // too: black, readable under high-contrast colours as under the usual ones.
      SetTextColor(dc, RGB(0, 0, 0));
      return reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
    }
    case WM_SETCURSOR: {
      const auto over = reinterpret_cast<HWND>(wParam);
      if (over == browseButton_ || over == runButton_ || over == helpIcon_) {
        SetCursor(LoadCursorW(nullptr, IDC_HAND));
        return TRUE;
      }
      break;
    }
    case WM_MOUSEMOVE:
      // The rectangles are drawn by the window itself: a move over one is a move over the
      // background.
      OnMouseMovedOver(Over::Background);
      return 0;
    case WM_SETFOCUS:
      // The window passes its focus on to the text box that had it last, so that after any
      // box, picker or switch to another program the keys go where they went before. While a
      // pass runs the fields are disabled and the window keeps the focus, so that Esc and the
      // other keys still reach it.
      if (!Busy()) SetFocus(lastFocus_);
      return 0;
    case WM_COMMAND:
      if (HIWORD(wParam) == EN_SETFOCUS) {
        lastFocus_ = reinterpret_cast<HWND>(lParam);
        return 0;
      }
      if (HIWORD(wParam) == EN_CHANGE) {
        FieldsChanged();
        return 0;
      }
      // A click on a label-button, or its key. A label-button that is enabled or disabled
      // says so too (STN_ENABLE, STN_DISABLE): that is no click.
      if (HIWORD(wParam) == STN_ENABLE || HIWORD(wParam) == STN_DISABLE) break;
      switch (LOWORD(wParam)) {
        case kBrowseId:
          OnBrowseClicked();
          return 0;
        case kRunId:
          OnRunClicked();
          return 0;
        case kHelpId:
          OnHelpClicked();
          return 0;
        case kStopId:
          OnStopAsked();
          return 0;
        case kUndoId:
          OnUndoAsked();
          return 0;
        case kPreviewId:
          OnPreviewAsked();
          return 0;
      }
      break;
    case WM_DROPFILES: {
      const auto drop = reinterpret_cast<HDROP>(wParam);
      const UINT length = DragQueryFileW(drop, 0, nullptr, 0);
      std::wstring path(length + 1, L'\0');
      DragQueryFileW(drop, 0, path.data(), length + 1);
      path.resize(length);
      DragFinish(drop);
      if (!Busy() && OpenOn(Narrow(path))) {
        SetForegroundWindow(window_);
        SetFocus(folderEdit_);
      }
      return 0;
    }
    case WM_CONTEXTMENU: {
      // The window's own menu, on a right click on its background or the menu key.
      POINT where{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      if (where.x == -1 && where.y == -1) {
        where = {0, 0};
        ClientToScreen(window_, &where);
      }
      const HMENU menu = CreatePopupMenu();
      AppendMenuW(menu, MF_STRING, kPreviewId, L"&Preview\tF5");
      TrackPopupMenu(menu, TPM_RIGHTBUTTON, where.x, where.y, 0, window_, nullptr);
      DestroyMenu(menu);
      return 0;
    }
    case WM_TIMER:
      if (wParam == kShowProgressTimer) {
        KillTimer(window_, kShowProgressTimer);
        if (Busy()) OpenProgressWindow();
      }
      ShowProgress();
      return 0;
    case kWorkEnded:
      runner_.Ended();
      return 0;
    case kUndoPlanned:
      UndoPlanned();
      return 0;
    case WM_QUERYENDSESSION:
      return TRUE;
    case WM_ENDSESSION:
      // Windows ends the process once this returns: the fields are saved now, and a pass
      // stops between two files, with no question, since nobody is there to answer.
      if (wParam) {
        runner_.EndSession();
        OnClose();
      }
      return 0;
    case WM_CLOSE:
      if (!runner_.MayClose()) return 0;
      OnClose();
      DestroyWindow(window_);
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      window_ = nullptr;
      return 0;
  }
  return DefWindowProcW(window_, message, wParam, lParam);
}

RECT Win32MainWindow::InPixels(layout::TwipsBox box) const {
  const auto px = [this](int twips) {
    return static_cast<int>(twips * textScale_ * dpi_ / layout::kTwipsPerInch + 0.5);
  };
  return {px(box.left), px(box.top), px(box.left) + px(box.width), px(box.top) + px(box.height)};
}

void Win32MainWindow::CreateControls() {
  const auto child = [this](const wchar_t* kind, const wchar_t* text, DWORD style, int id,
                            DWORD exStyle = 0) {
    return CreateWindowExW(exStyle, kind, text, WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0, window_,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance_, nullptr);
  };
  // Every control takes its moves for itself (SS_NOTIFY): a move over a caption or the help
  // picture changes no rectangle; only the window's own background puts them out.
  const DWORD captionStyle = SS_LEFTNOWORDWRAP | SS_NOTIFY;
  captions_[0] =
      child(WC_STATICW, Wide(layout::kFolderCaptionText).c_str(), captionStyle, kCaptionId);
  browseButton_ = child(WC_STATICW, Wide(layout::kBrowseText).c_str(),
                        SS_CENTER | SS_NOTIFY | WS_TABSTOP, kBrowseId);
  runButton_ =
      child(WC_STATICW, Wide(layout::kRunText).c_str(), SS_CENTER | SS_NOTIFY | WS_TABSTOP, kRunId);
  captions_[1] =
      child(WC_STATICW, Wide(layout::kPrefixCaptionText).c_str(), captionStyle, kCaptionId + 1);
  captions_[2] =
      child(WC_STATICW, Wide(layout::kTypeCaptionText).c_str(), captionStyle, kCaptionId + 2);
  helpIcon_ =
      child(WC_STATICW, L"", SS_ICON | SS_REALSIZECONTROL | SS_NOTIFY | WS_TABSTOP, kHelpId);
  const DWORD editStyle = WS_TABSTOP | ES_AUTOHSCROLL;
  folderEdit_ = child(WC_EDITW, L"", editStyle | WS_GROUP, kFolderId, WS_EX_CLIENTEDGE);
  prefixEdit_ = child(WC_EDITW, L"", editStyle, kPrefixId, WS_EX_CLIENTEDGE);
  typeEdit_ = child(WC_EDITW, L"", editStyle, kTypeId, WS_EX_CLIENTEDGE);
  lastFocus_ = folderEdit_;
  // Tab follows the order of the controls: each field, then the button beside it.
  HWND previous = folderEdit_;
  for (HWND next : {browseButton_, prefixEdit_, typeEdit_, runButton_, helpIcon_}) {
    SetWindowPos(next, previous, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    previous = next;
  }
  // A folder (or a file, for its folder) dropped from Explorer fills the Folder field.
  DragAcceptFiles(window_, TRUE);
  SetWindowSubclass(browseButton_, LabelButtonProc, 0, reinterpret_cast<DWORD_PTR>(this));
  SetWindowSubclass(runButton_, LabelButtonProc, 0, reinterpret_cast<DWORD_PTR>(this));
  SetWindowSubclass(helpIcon_, LabelButtonProc, 0, reinterpret_cast<DWORD_PTR>(this));

  const HWND tips = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, TTS_ALWAYSTIP,
                                    CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                    window_, nullptr, instance_, nullptr);
  const auto tip = [&](HWND control, const char* text) {
    std::wstring wideText = Wide(text);
    TOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = window_;
    tool.uId = reinterpret_cast<UINT_PTR>(control);
    tool.lpszText = wideText.data();  // copied by the tool tip control
    SendMessageW(tips, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
  };
  tip(browseButton_, layout::kBrowseTip);
  tip(runButton_, layout::kRunTip);
  tip(helpIcon_, layout::kHelpTip);

  Layout(zantovel::win32::WindowDpi(window_));
}

void Win32MainWindow::Layout(UINT dpi) {
  dpi_ = dpi;
  // The system's text size (the message font, which "Make text bigger" enlarges) against the
  // design's.
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0) &&
      metrics.lfMessageFont.lfHeight != 0) {
    const HDC screen = GetDC(nullptr);
    const int logical = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    textScale_ = layout::TextScale(std::abs(metrics.lfMessageFont.lfHeight) * 72.0 / logical);
  }
  const auto place = [](HWND control, RECT where) {
    MoveWindow(control, where.left, where.top, where.right - where.left, where.bottom - where.top,
               FALSE);
  };
  place(captions_[0], InPixels(layout::kFolderCaption));
  place(browseButton_, InPixels(layout::kBrowseButton));
  place(runButton_, InPixels(layout::kRunButton));
  place(captions_[1], InPixels(layout::kPrefixCaption));
  place(captions_[2], InPixels(layout::kTypeCaption));
  place(folderEdit_, InPixels(layout::kFolderBox));
  place(prefixEdit_, InPixels(layout::kPrefixBox));
  place(typeEdit_, InPixels(layout::kTypeBox));

  const auto font = [this, dpi](int hundredthsOfPoint) {
    const int height = static_cast<int>(hundredthsOfPoint * textScale_ * dpi / 7200 + 0.5);
    return CreateFontW(-height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                       DEFAULT_PITCH | FF_SWISS, Wide(layout::kFontFamily).c_str());
  };
  const HFONT oldWindowFont = windowFont_, oldButtonFont = buttonFont_;
  windowFont_ = font(layout::kWindowFontSize);
  buttonFont_ = font(layout::kButtonFontSize);
  for (HWND control :
       {captions_[0], captions_[1], captions_[2], folderEdit_, prefixEdit_, typeEdit_})
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(windowFont_), FALSE);
  for (HWND control : {browseButton_, runButton_})
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(buttonFont_), FALSE);
  if (oldWindowFont != nullptr) DeleteObject(oldWindowFont);
  if (oldButtonFont != nullptr) DeleteObject(oldButtonFont);

  // The help picture is taken at its box's size, so it is sharp at any scale.
  const RECT box = InPixels(layout::kHelpIcon);
  const HICON oldPicture = helpPicture_;
  helpPicture_ =
      static_cast<HICON>(LoadImageW(instance_, MAKEINTRESOURCEW(kHelpIconResource), IMAGE_ICON,
                                    box.right - box.left, box.bottom - box.top, 0));
  SendMessageW(helpIcon_, STM_SETICON, reinterpret_cast<WPARAM>(helpPicture_), 0);
  place(helpIcon_, box);
  if (oldPicture != nullptr) DestroyIcon(oldPicture);

  RECT frame = InPixels(layout::kClientArea);
  zantovel::win32::AdjustFrameForDpi(
      frame, static_cast<DWORD>(GetWindowLongPtrW(window_, GWL_STYLE)), 0, dpi);
  SetWindowPos(window_, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
               SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOMOVE);
  InvalidateRect(window_, nullptr, TRUE);
}

void Win32MainWindow::OnLoad() {
  SetWindowTextW(window_, Wide(WindowModel::Caption()).c_str());
  const zantovel::WindowFields fields = model_.Restore();
  SetWindowTextW(folderEdit_, Wide(fields.folder).c_str());
  SetWindowTextW(prefixEdit_, Wide(fields.prefix).c_str());
  SetWindowTextW(typeEdit_, Wide(fields.type).c_str());

  // In the middle of the screen's work area.
  RECT area{}, frame{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
  GetWindowRect(window_, &frame);
  const int width = frame.right - frame.left, height = frame.bottom - frame.top;
  SetWindowPos(window_, nullptr, area.left + (area.right - area.left - width) / 2,
               area.top + (area.bottom - area.top - height) / 2, 0, 0,
               SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOSIZE);
}

void Win32MainWindow::OnClose() {
  model_.Keep(Fields());
}

zantovel::WindowFields Win32MainWindow::Fields() const {
  const auto text = [](HWND edit) {
    std::wstring value(static_cast<std::size_t>(GetWindowTextLengthW(edit)) + 1, L'\0');
    value.resize(static_cast<std::size_t>(
        GetWindowTextW(edit, value.data(), static_cast<int>(value.size()))));
    return Narrow(value);
  };
  return {text(folderEdit_), text(prefixEdit_), text(typeEdit_)};
}

void Win32MainWindow::OnPaint() {
  PAINTSTRUCT paint;
  const HDC dc = BeginPaint(window_, &paint);
  const auto rectangle = [&](layout::TwipsBox box, bool lit) {
    const RECT where = InPixels(box);
    const HBRUSH fill =
        CreateSolidBrush(ColourRef(lit ? layout::kHoverColour : layout::kRestColour));
    const HGDIOBJ oldBrush = SelectObject(dc, fill);
    const HGDIOBJ oldPen = SelectObject(dc, GetStockObject(BLACK_PEN));
    Rectangle(dc, where.left, where.top, where.right, where.bottom);
    SelectObject(dc, oldPen);
    SelectObject(dc, oldBrush);
    DeleteObject(fill);
  };
  const WindowModel::Highlights lit = model_.Lit();
  rectangle(layout::kBrowseHighlight, lit.browse);
  rectangle(layout::kRunHighlight, lit.run);
  EndPaint(window_, &paint);
}

void Win32MainWindow::OnMouseMovedOver(Over where) {
  const WindowModel::Highlights before = model_.Lit();
  if (model_.PointerMoved(where) == before) return;
  // The rectangles, with the parts of the label-buttons drawn over them.
  for (const layout::TwipsBox box : {layout::kBrowseHighlight, layout::kRunHighlight}) {
    const RECT pixels = InPixels(box);
    RedrawWindow(window_, &pixels, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
  }
}

void Win32MainWindow::OnBrowseClicked() {
  if (Busy()) return;
  const std::string folder = WindowModel::PickFolder(window_, Fields().folder);
  if (window_ != nullptr) SetWindowTextW(folderEdit_, Wide(folder).c_str());
}

void Win32MainWindow::OnRunClicked() {
  if (Busy()) return;
  const zantovel::WindowFields fields = Fields();
  passDone_.reset();
  const bool record = preview_ != nullptr && preview_->Visible();
  RunBeside(
      [this, fields, record](zantovel::PassProgress& progress, const std::atomic<bool>& stop) {
        return zantovel::PreviewPane::RunPass(model_, fields, progress, stop, record, passDone_);
      });
}

void Win32MainWindow::OnStopAsked() {
  runner_.Stop();
}

void Win32MainWindow::OnUndoAsked() {
  // The checks run beside the window, which keeps answering meanwhile.
  if (Busy() || undoPlanning_.Running()) return;
  undoPlanning_.Start(model_);
}

void Win32MainWindow::UndoPlanned() {
  zantovel::WindowModel::Box nothing;
  const std::optional<zantovel::WindowModel::UndoPlan> plan = undoPlanning_.Take(nothing);
  const std::optional<std::string> id = WindowModel::ConfirmUndo(plan, nothing);
  if (!id || Busy() || window_ == nullptr) return;
  RunBeside([this, id = *id](zantovel::PassProgress& progress, const std::atomic<bool>& stop) {
    return model_.AfterUndo(model_.UndoPass(id, &progress, &stop));
  });
}

void Win32MainWindow::RunBeside(zantovel::PassRunner::Work work) {
  // A disabled control that has the focus loses it to nobody, and keys then reach no window.
  SetFocus(window_);
  for (HWND control : {folderEdit_, prefixEdit_, typeEdit_, browseButton_, runButton_})
    EnableWindow(control, FALSE);
  if (preview_ != nullptr) preview_->WorkStarted();
  SetTimer(window_, kProgressTimer, 100, nullptr);
  SetTimer(window_, kShowProgressTimer, 500, nullptr);
  runner_.Start(std::move(work));
}

void Win32MainWindow::OpenProgressWindow() {
  const UINT scale = dpi_;
  const auto px = [scale](int points) { return MulDiv(points, static_cast<int>(scale), 96); };
  // As wide as the main window, over its lower part, so that its caption stays in sight.
  const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU;
  RECT frame{0, 0, px(300), px(108)};
  zantovel::win32::AdjustFrameForDpi(frame, style, WS_EX_TOOLWINDOW, scale);
  RECT owner{};
  GetWindowRect(window_, &owner);
  progressWindow_ = CreateWindowExW(
      WS_EX_TOOLWINDOW, kProgressClassName, Wide(zantovel::AppTitle() + " progress").c_str(), style,
      owner.left + (owner.right - owner.left - (frame.right - frame.left)) / 2, owner.top + px(40),
      frame.right - frame.left, frame.bottom - frame.top, window_, nullptr, instance_, nullptr);
  const auto child = [&](const wchar_t* kind, const wchar_t* text, DWORD childStyle, RECT where,
                         int id = 0) {
    const HWND control =
        CreateWindowExW(0, kind, text, WS_CHILD | WS_VISIBLE | childStyle, px(where.left),
                        px(where.top), px(where.right), px(where.bottom), progressWindow_,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance_, nullptr);
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(windowFont_), FALSE);
    return control;
  };
  progressText_ = child(WC_STATICW, L"", SS_LEFT | SS_NOPREFIX, {12, 8, 276, 34});
  progressBar_ = child(PROGRESS_CLASSW, L"", 0, {12, 46, 276, 16});
  child(WC_BUTTONW, L"Cancel", WS_TABSTOP | BS_DEFPUSHBUTTON, {208, 72, 80, 26}, IDCANCEL);
  ShowProgress();
  // Shown without taking the activation: the keys still go to the main window.
  ShowWindow(progressWindow_, SW_SHOWNOACTIVATE);
}

void Win32MainWindow::ShowProgress() {
  if (!Busy()) return;
  const zantovel::PassProgress::Snapshot now = runner_.Progress("\r\n");
  taskbar_->Show(now.done, now.total);
  if (progressWindow_ == nullptr) return;
  // A bar that only moves while the folder is listed, with no total yet.
  const LONG_PTR style = GetWindowLongPtrW(progressBar_, GWL_STYLE);
  const bool listing = now.total == 0;
  if (listing != ((style & PBS_MARQUEE) != 0)) {
    SetWindowLongPtrW(progressBar_, GWL_STYLE,
                      listing ? style | PBS_MARQUEE : style & ~PBS_MARQUEE);
    SendMessageW(progressBar_, PBM_SETMARQUEE, listing ? TRUE : FALSE, 0);
  }
  SendMessageW(progressBar_, PBM_SETRANGE32, 0, static_cast<LPARAM>(now.total));
  SendMessageW(progressBar_, PBM_SETPOS, static_cast<WPARAM>(now.done), 0);
  SetWindowTextW(progressText_, Wide(now.text).c_str());
}

void Win32MainWindow::Settle() {
  KillTimer(window_, kProgressTimer);
  KillTimer(window_, kShowProgressTimer);
  if (progressWindow_ != nullptr) DestroyWindow(progressWindow_);
  progressWindow_ = progressBar_ = progressText_ = nullptr;
  taskbar_->Clear();
  for (HWND control : {folderEdit_, prefixEdit_, typeEdit_, browseButton_, runButton_})
    EnableWindow(control, TRUE);
  SetFocus(lastFocus_);
  if (preview_ != nullptr) preview_->WorkEnded(passDone_, Fields());
}

bool Win32MainWindow::OpenOn(const std::string& path) {
  const std::optional<std::string> folder = WindowModel::FolderFieldFor(path);
  if (folder) SetWindowTextW(folderEdit_, Wide(*folder).c_str());
  return folder.has_value();
}

void Win32MainWindow::OnPreviewAsked() {
  if (preview_ == nullptr)
    preview_ =
        std::make_unique<Win32PreviewWindow>(instance_, window_, model_, windowFont_, dpi_, kRunId);
  if (Busy()) {
    preview_->WorkStarted();
  } else {
    preview_->Follow(Fields());
  }
  preview_->Show();
}

void Win32MainWindow::FieldsChanged() {
  if (preview_ != nullptr && preview_->Visible() && !Busy()) preview_->Follow(Fields());
}

void Win32MainWindow::OnHelpClicked() {
  WindowModel::ShowHelp();
}
