#include "platform/win32/dpi_win32.h"

namespace zantovel::win32 {
namespace {

template <typename Function>
Function FromUser32(const char* name) {
  // user32 is loaded in every window program, so the handle needs no freeing.
  const HMODULE user32 = GetModuleHandleW(L"user32.dll");
  return user32 == nullptr ? nullptr
                           : reinterpret_cast<Function>(
                                 reinterpret_cast<void (*)()>(GetProcAddress(user32, name)));
}

}  // namespace

UINT WindowDpi(HWND window) {
  using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
  static const auto forWindow = FromUser32<GetDpiForWindowFunction>("GetDpiForWindow");
  if (forWindow != nullptr) return forWindow(window);
  const HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
  ReleaseDC(nullptr, screen);
  return dpi > 0 ? static_cast<UINT>(dpi) : USER_DEFAULT_SCREEN_DPI;
}

void AdjustFrameForDpi(RECT& frame, DWORD style, DWORD exStyle, UINT dpi) {
  using AdjustFunction = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
  static const auto forDpi = FromUser32<AdjustFunction>("AdjustWindowRectExForDpi");
  if (forDpi != nullptr)
    forDpi(&frame, style, FALSE, exStyle, dpi);
  else
    AdjustWindowRectEx(&frame, style, FALSE, exStyle);
}

}  // namespace zantovel::win32
