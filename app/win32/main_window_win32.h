#pragma once

#include <windows.h>

#include "app/window_layout.h"
#include "app/window_model.h"

// The program's one window, drawn with the system's own controls: the Windows counterpart of
// the Qt MainWindow, with the same controls, places, hover rules and keys. What the window
// does is WindowModel's; this class draws it and hands it the window's events.
class Win32MainWindow {
 public:
  // Makes the window, shows it and runs its messages until it is closed. Returns the exit code.
  static int Run(HINSTANCE instance, int show);

 private:
  Win32MainWindow(HINSTANCE instance, zantovel::ProgramFiles& files)
      : instance_(instance), model_(files) {}

  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK LabelButtonProc(HWND label, UINT message, WPARAM wParam, LPARAM lParam,
                                          UINT_PTR id, DWORD_PTR self);
  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);

  void CreateControls();
  // Sizes and places the window and every control for the screen's dots per inch.
  void Layout(UINT dpi);
  // The box in the window's pixels at its screen's dots per inch.
  RECT InPixels(zantovel::layout::TwipsBox box) const;

  void OnLoad();
  void OnClose();
  void OnPaint();
  void OnMouseMovedOver(zantovel::WindowModel::PointerOver where);
  void OnBrowseClicked();
  void OnRunClicked();
  void OnHelpClicked();
  // Ctrl+Z: takes the last pass back after a question. The Windows window still runs a pass
  // and its undo on its own thread, with a busy pointer.
  void OnUndoAsked();

  zantovel::WindowFields Fields() const;

  HINSTANCE instance_;
  HWND window_ = nullptr;
  HWND folderEdit_ = nullptr, prefixEdit_ = nullptr, typeEdit_ = nullptr;
  HWND browseButton_ = nullptr, runButton_ = nullptr, helpIcon_ = nullptr;
  HWND captions_[3] = {};
  HFONT windowFont_ = nullptr, buttonFont_ = nullptr;
  HICON helpPicture_ = nullptr;
  UINT dpi_ = USER_DEFAULT_SCREEN_DPI;
  zantovel::WindowModel model_;
};
