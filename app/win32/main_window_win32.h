#pragma once

#include <windows.h>

#include <memory>

#include "app/pass_runner.h"
#include "app/win32/preview_window_win32.h"
#include "app/window_layout.h"
#include "app/window_model.h"
#include "platform/win32/taskbar_win32.h"

// The program's one window, drawn with the system's own controls: the Windows counterpart of
// the Qt MainWindow, with the same controls, places, hover rules and keys. What the window
// does is WindowModel's; this class draws it and hands it the window's events.
class Win32MainWindow {
 public:
  // Makes the window, shows it and runs its messages until it is closed. Returns the exit code.
  static int Run(HINSTANCE instance, int show);

 private:
  Win32MainWindow(HINSTANCE instance, zantovel::ProgramFiles& files);

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
  // Esc, or the progress window's Cancel: the pass stops between two files.
  void OnStopAsked();
  // Ctrl+Z: takes the last pass back after a question.
  void OnUndoAsked();
  // A folder given from outside (the command line, a drop; a file stands for its folder) into
  // the Folder field. Whether it was one.
  bool OpenOn(const std::string& path);
  // F5, or Preview in the window's menu: the preview opens beside the window.
  void OnPreviewAsked();
  // The fields changed: an open preview works out its plan afresh.
  void FieldsChanged();
  // The plan of taking back a pass is ready: its question, then the undo.
  void UndoPlanned();

  // Runs work beside the window (PassRunner), the fields and buttons disabled and a progress
  // window shown after half a second; then shows the box work returns.
  void RunBeside(zantovel::PassRunner::Work work);
  // The work is over: the fields and buttons are the user's again.
  void Settle();
  // The progress window, opened once the work has run half a second, so that a short pass
  // shows none.
  void OpenProgressWindow();
  void ShowProgress();
  bool Busy() const { return runner_.Busy(); }

  zantovel::WindowFields Fields() const;

  HINSTANCE instance_;
  HWND window_ = nullptr;
  HWND folderEdit_ = nullptr, prefixEdit_ = nullptr, typeEdit_ = nullptr;
  HWND browseButton_ = nullptr, runButton_ = nullptr, helpIcon_ = nullptr;
  HWND captions_[3] = {};
  HFONT windowFont_ = nullptr, buttonFont_ = nullptr;
  HICON helpPicture_ = nullptr;
  UINT dpi_ = USER_DEFAULT_SCREEN_DPI;
  double textScale_ = 1;  // of the system's text size against the design's (layout::TextScale)
  zantovel::WindowModel model_;
  // After the model, which the work uses: it goes first, stopping and waiting for the work.
  zantovel::PassRunner runner_;
  zantovel::UndoPlanning undoPlanning_;  // the checks behind Ctrl+Z's question
  std::unique_ptr<zantovel::win32::TaskbarProgress> taskbar_;
  // The text box that had the focus last: it gets it back whenever the window does.
  HWND lastFocus_ = nullptr;
  HWND progressWindow_ = nullptr, progressBar_ = nullptr, progressText_ = nullptr;
  std::unique_ptr<Win32PreviewWindow> preview_;  // made when first asked for
  // What the last pass did, written by the worker before the runner hands its end on.
  std::optional<zantovel::PreviewContent> passDone_;
};
