#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "app/preview.h"

// The preview beside the Win32 main window, the counterpart of the Qt PreviewWindow: a heading
// with the counts, a list view of every file the type reaches (virtual: its rows are made as
// they are drawn, so a hundred thousand cost nothing), and a Run button that sends the owner
// the command runCommand. Files passed over are grey and in italics, files left are bold on
// red. It is made hidden; Show opens it.
class Win32PreviewWindow : public zantovel::PreviewPane {
 public:
  Win32PreviewWindow(HINSTANCE instance, HWND owner, const zantovel::WindowModel& model, HFONT font,
                     UINT dpi, int runCommand);
  ~Win32PreviewWindow() override;
  Win32PreviewWindow(const Win32PreviewWindow&) = delete;
  Win32PreviewWindow& operator=(const Win32PreviewWindow&) = delete;

  HWND Handle() const { return window_; }
  bool Visible() const override { return IsWindowVisible(window_) != FALSE; }
  // Opens it beside the owner the first time, without taking the keys from it.
  void Show();

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT OnNotify(NMHDR* header);
  void Layout();
  void Show(zantovel::PreviewContent content) override;
  void SetRunEnabled(bool enabled) override;
  void Post() override;
  int Px(int points) const { return MulDiv(points, static_cast<int>(dpi_), 96); }

  HINSTANCE instance_;
  HWND owner_;
  int runCommand_;
  UINT dpi_;
  HWND window_ = nullptr, heading_ = nullptr, list_ = nullptr, run_ = nullptr;
  HFONT font_, italicFont_ = nullptr, boldFont_ = nullptr;
  bool placed_ = false;  // shown once, at place_, its columns sized
  RECT place_{};         // where it goes beside its owner
  zantovel::PreviewContent content_;
  std::wstring cell_;  // the text of the cell the list view asked for last
};
