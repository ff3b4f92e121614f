#include "app/win32/preview_window_win32.h"

#include <commctrl.h>

#include "platform/win32/dpi_win32.h"
#include "platform/win32/wide_text.h"
#include "rename/name_rules.h"

namespace {

using zantovel::PreviewContent;
using zantovel::PreviewRow;
using zantovel::RowKind;
using zantovel::win32::Wide;

constexpr wchar_t kClassName[] = L"ZantovelPreview";
// Posted by the worker when a preview is ready to be taken.
constexpr UINT kPreviewReady = WM_APP + 2;
enum : int { kListId = 401, kRunButtonId };

HFONT FontLike(HFONT font, bool italic, bool bold) {
  LOGFONTW shape{};
  GetObjectW(font, sizeof shape, &shape);
  shape.lfItalic = italic ? TRUE : FALSE;
  shape.lfWeight = bold ? FW_BOLD : shape.lfWeight;
  return CreateFontIndirectW(&shape);
}

}  // namespace

Win32PreviewWindow::Win32PreviewWindow(HINSTANCE instance, HWND owner,
                                       const zantovel::WindowModel& model, HFONT font, UINT dpi,
                                       int runCommand)
    : PreviewPane(model),
      instance_(instance),
      owner_(owner),
      runCommand_(runCommand),
      dpi_(dpi),
      font_(font) {
  static const bool registered = [instance] {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    windowClass.lpszClassName = kClassName;
    return RegisterClassExW(&windowClass) != 0;
  }();
  (void)registered;
  italicFont_ = FontLike(font_, true, false);
  boldFont_ = FontLike(font_, false, true);
  // Owned by the main window: above it, minimised and closed with it.
  const DWORD style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
  RECT frame{0, 0, Px(600), Px(400)};
  zantovel::win32::AdjustFrameForDpi(frame, style, 0, dpi_);
  // Made where it goes, beside the owner: a window manager keeps a place given from the start,
  // and may choose its own for one moved before it is first shown.
  RECT owned{};
  GetWindowRect(owner_, &owned);
  MONITORINFO monitor{sizeof monitor, {}, {}, 0};
  GetMonitorInfoW(MonitorFromWindow(owner_, MONITOR_DEFAULTTONEAREST), &monitor);
  const auto box = [](RECT r) {
    return zantovel::ScreenBox{r.left, r.top, r.right - r.left, r.bottom - r.top};
  };
  const zantovel::ScreenBox place =
      zantovel::PlaceBeside(box(frame), box(owned), box(monitor.rcWork));
  place_ = {place.left, place.top, place.Right(), place.Bottom()};
  CreateWindowExW(0, kClassName, L"Zantovel preview", style, place.left, place.top, place.width,
                  place.height, owner_, nullptr, instance_, this);
  const auto child = [this](const wchar_t* kind, const wchar_t* text, DWORD childStyle, int id) {
    const HWND control =
        CreateWindowExW(0, kind, text, WS_CHILD | WS_VISIBLE | childStyle, 0, 0, 0, 0, window_,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance_, nullptr);
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    return control;
  };
  heading_ = child(WC_STATICW, L"", SS_LEFT | SS_NOPREFIX, 0);
  list_ =
      child(WC_LISTVIEWW, L"Files",
            WS_TABSTOP | WS_BORDER | LVS_REPORT | LVS_OWNERDATA | LVS_SINGLESEL | LVS_SHOWSELALWAYS,
            kListId);
  ListView_SetExtendedListViewStyle(list_, LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
  const wchar_t* titles[] = {L"Name", L"New name", L"What happens"};
  for (int column = 0; column < 3; ++column) {
    LVCOLUMNW shape{};
    shape.mask = LVCF_TEXT | LVCF_WIDTH;
    shape.pszText = const_cast<wchar_t*>(titles[column]);
    shape.cx = Px(column == 2 ? 220 : 170);
    ListView_InsertColumn(list_, column, &shape);
  }
  run_ = child(WC_BUTTONW, L"&Run", WS_TABSTOP | BS_PUSHBUTTON, kRunButtonId);
  Layout();
}

Win32PreviewWindow::~Win32PreviewWindow() {
  StopFollowing();
  if (window_ != nullptr) DestroyWindow(window_);
  DeleteObject(italicFont_);
  DeleteObject(boldFont_);
}

LRESULT CALLBACK Win32PreviewWindow::WindowProc(HWND window, UINT message, WPARAM wParam,
                                                LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* self =
        static_cast<Win32PreviewWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    self->window_ = window;
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<Win32PreviewWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (self == nullptr) return DefWindowProcW(window, message, wParam, lParam);
  return self->Handle(message, wParam, lParam);
}

LRESULT Win32PreviewWindow::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_SIZE:
      Layout();
      return 0;
    case WM_CLOSE:
      // Closing only hides it: it opens again as it was.
      ShowWindow(window_, SW_HIDE);
      return 0;
    case WM_COMMAND:
      if (LOWORD(wParam) == kRunButtonId) PostMessageW(owner_, WM_COMMAND, runCommand_, 0);
      if (LOWORD(wParam) == IDCANCEL) ShowWindow(window_, SW_HIDE);
      return 0;
    case WM_NOTIFY:
      return OnNotify(reinterpret_cast<NMHDR*>(lParam));
    case kPreviewReady:
      Ready();
      return 0;
    case WM_NCDESTROY:
      SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
      window_ = nullptr;
      break;
  }
  return DefWindowProcW(window_, message, wParam, lParam);
}

LRESULT Win32PreviewWindow::OnNotify(NMHDR* header) {
  if (header->hwndFrom != list_) return 0;
  if (header->code == LVN_GETDISPINFOW) {
    LVITEMW& item = reinterpret_cast<NMLVDISPINFOW*>(header)->item;
    const auto row = static_cast<std::size_t>(item.iItem);
    if ((item.mask & LVIF_TEXT) == 0 || row >= content_.steps.size()) return 0;
    const PreviewRow shown = zantovel::RowOf(content_.steps[row], content_);
    cell_ = Wide(item.iSubItem == 0 ? shown.name : item.iSubItem == 1 ? shown.newName : shown.what);
    item.pszText = cell_.data();
    return 0;
  }
  if (header->code == NM_CUSTOMDRAW) {
    auto* draw = reinterpret_cast<NMLVCUSTOMDRAW*>(header);
    if (draw->nmcd.dwDrawStage == CDDS_PREPAINT) return CDRF_NOTIFYITEMDRAW;
    const auto row = static_cast<std::size_t>(draw->nmcd.dwItemSpec);
    if (draw->nmcd.dwDrawStage != CDDS_ITEMPREPAINT || row >= content_.steps.size())
      return CDRF_DODEFAULT;
    switch (zantovel::RowOf(content_.steps[row], content_).kind) {
      case RowKind::PassedOver:
        draw->clrText = GetSysColor(COLOR_GRAYTEXT);
        SelectObject(draw->nmcd.hdc, italicFont_);
        return CDRF_NEWFONT;
      case RowKind::NotReached:
        draw->clrText = GetSysColor(COLOR_GRAYTEXT);
        return CDRF_NEWFONT;
      case RowKind::Left:
        draw->clrText = RGB(0, 0, 0);
        draw->clrTextBk = RGB(0xFF, 0xD8, 0xD8);
        SelectObject(draw->nmcd.hdc, boldFont_);
        return CDRF_NEWFONT;
      case RowKind::Changed:
        return CDRF_DODEFAULT;
    }
  }
  return 0;
}

void Win32PreviewWindow::Layout() {
  if (list_ == nullptr) return;  // sized while it is made, before its controls are
  RECT client{};
  GetClientRect(window_, &client);
  const int margin = Px(8), button = Px(26);
  // The heading's lines: as many as it holds, each as high as the font's.
  HDC dc = GetDC(heading_);
  const HGDIOBJ before = SelectObject(dc, font_);
  TEXTMETRICW metrics{};
  GetTextMetricsW(dc, &metrics);
  SelectObject(dc, before);
  ReleaseDC(heading_, dc);
  int lines = 1;
  for (const char c : zantovel::PreviewHeading(content_)) lines += c == '\n' ? 1 : 0;
  const int headingHeight = lines * metrics.tmHeight;
  const int width = client.right - 2 * margin;
  MoveWindow(heading_, margin, margin, width, headingHeight, TRUE);
  const int listTop = 2 * margin + headingHeight;
  MoveWindow(list_, margin, listTop, width, client.bottom - listTop - 2 * margin - button, TRUE);
  MoveWindow(run_, client.right - margin - Px(80), client.bottom - margin - button, Px(80), button,
             TRUE);
}

void Win32PreviewWindow::Show() {
  // Without taking the keys: the fields go on being typed with the preview in sight.
  ShowWindow(window_, SW_SHOWNOACTIVATE);
  if (placed_) return;
  // Once shown, moved to its place again: a window manager may have chosen one of its own for
  // a new window, whatever it was made with.
  SetWindowPos(window_, nullptr, place_.left, place_.top, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  // The names share the width it was given, the reasons have the rest; from then on the
  // columns are the user's.
  RECT list{};
  GetClientRect(list_, &list);
  for (int column = 0; column < 3; ++column)
    ListView_SetColumnWidth(
        list_, column, column < 2 ? list.right * 3 / 10 : list.right - 2 * (list.right * 3 / 10));
  placed_ = true;
}

void Win32PreviewWindow::Post() {
  PostMessageW(window_, kPreviewReady, 0, 0);
}

void Win32PreviewWindow::SetRunEnabled(bool enabled) {
  EnableWindow(run_, enabled ? TRUE : FALSE);
}

void Win32PreviewWindow::Show(PreviewContent content) {
  content_ = std::move(content);
  SetWindowTextW(heading_, Wide(zantovel::PreviewHeading(content_)).c_str());
  ListView_SetItemCountEx(list_, static_cast<int>(content_.steps.size()), 0);
  InvalidateRect(list_, nullptr, TRUE);
  Layout();
  // The column of new names is headed as what Run makes: copies in the all-files mode.
  LVCOLUMNW shape{};
  shape.mask = LVCF_TEXT;
  shape.pszText =
      const_cast<wchar_t*>(zantovel::IsAllFiles(content_.fields.type) ? L"Copy" : L"New name");
  ListView_SetColumn(list_, 1, &shape);
}
