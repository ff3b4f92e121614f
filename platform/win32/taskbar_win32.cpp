#include "platform/win32/taskbar_win32.h"

#include <shobjidl.h>

namespace zantovel::win32 {

TaskbarProgress::TaskbarProgress(HWND window) : window_(window) {
  comStarted_ = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
  if (FAILED(CoCreateInstance(CLSID_TaskbarList, nullptr, CLSCTX_INPROC_SERVER,
                              IID_PPV_ARGS(&list_))) ||
      FAILED(list_->HrInit())) {
    if (list_ != nullptr) list_->Release();
    list_ = nullptr;
  }
}

TaskbarProgress::~TaskbarProgress() {
  Clear();
  if (list_ != nullptr) list_->Release();
  if (comStarted_) CoUninitialize();
}

void TaskbarProgress::Show(std::uint64_t done, std::uint64_t total) {
  if (list_ == nullptr) return;
  if (total == 0) {
    list_->SetProgressState(window_, TBPF_INDETERMINATE);
    return;
  }
  list_->SetProgressState(window_, TBPF_NORMAL);
  list_->SetProgressValue(window_, done, total);
}

void TaskbarProgress::Clear() {
  if (list_ != nullptr) list_->SetProgressState(window_, TBPF_NOPROGRESS);
}

}  // namespace zantovel::win32
