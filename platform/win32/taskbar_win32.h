#pragma once

#include <windows.h>

#include <cstdint>

struct ITaskbarList3;

namespace zantovel::win32 {

// The progress a window's taskbar button shows. Where the shell has no such button (an older
// Windows, or none running), every call does nothing.
class TaskbarProgress {
 public:
  explicit TaskbarProgress(HWND window);
  ~TaskbarProgress();
  TaskbarProgress(const TaskbarProgress&) = delete;
  TaskbarProgress& operator=(const TaskbarProgress&) = delete;

  // done of total; a total of 0 shows that work goes on without a measure of it.
  void Show(std::uint64_t done, std::uint64_t total);
  // The button as it is without work.
  void Clear();

 private:
  HWND window_;
  ITaskbarList3* list_ = nullptr;
  bool comStarted_ = false;
};

}  // namespace zantovel::win32
