#pragma once

#include <atomic>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <thread>

#include "app/window_model.h"
#include "rename/pass_progress.h"

namespace zantovel {

// The life of a pass or an undo beside a window, which stays alive while it runs: the work
// starts on a thread of its own, reports its progress for the window's timer to read, stops
// when asked, and is waited for once, when it has ended or when the window closes; its box
// then shows. Knows no toolkit, so the Qt window and the Win32 window only draw it: each hands
// the work's end to its own thread, and asks the runner before it closes.
class PassRunner {
 public:
  // What runs on the worker: it reports to progress, stops soon once stop is set, and gives
  // the box that tells how it went.
  using Work =
      std::function<WindowModel::Box(PassProgress& progress, const std::atomic<bool>& stop)>;

  struct Window {
    // Called on the worker as the work ends: the window has Ended called on its own thread.
    std::function<void()> post;
    // Called on the window's thread once the work is over: the window is the user's again.
    std::function<void()> settle;
  };

  explicit PassRunner(Window window) : window_(std::move(window)) {}
  // Work still running is stopped and waited for.
  ~PassRunner();
  PassRunner(const PassRunner&) = delete;
  PassRunner& operator=(const PassRunner&) = delete;

  // Starts work, unless some is running already (then false).
  bool Start(Work work);

  // Whether work is running, or has ended and not yet been waited for.
  bool Busy() const { return worker_.joinable(); }

  // What the work reported last, its lines joined by lineBreak.
  PassProgress::Snapshot Progress(std::string_view lineBreak) const;

  // Asks the work to stop: before the next file, or inside a copy.
  void Stop() { stop_ = true; }

  // On the window's thread, for the work's end that post handed on: the work is waited for
  // and its box shown; or, while the close question is up, the question is withdrawn, and its
  // end shows the box instead.
  void Ended();

  // On the window's thread, when the user closes the window: whether it may close. At once
  // when nothing runs; otherwise after the question "A pass is running. Stop it, and close
  // the window?": Yes stops the work and waits for it (its box is not shown), No keeps both,
  // and a question withdrawn because the work ended by itself keeps the window, to show the
  // work's box.
  bool MayClose();

  // The session ends, with nobody to answer: the work stops and is waited for.
  void EndSession();

 private:
  // Waits for the worker, once; settles the window and shows the box unless closing.
  void Finish(bool show);

  Window window_;
  std::thread worker_;
  std::atomic<bool> stop_{false};
  PassProgress progress_;
  std::optional<WindowModel::Box> box_;  // written by the worker before it posts its end
  bool asking_ = false;                  // the close question is up
};

}  // namespace zantovel
