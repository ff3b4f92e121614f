#include "app/pass_runner.h"

#include "platform/app.h"
#include "platform/dialogs.h"

namespace zantovel {

PassRunner::~PassRunner() {
  stop_ = true;
  if (worker_.joinable()) worker_.join();
}

bool PassRunner::Start(Work work) {
  if (Busy()) return false;
  stop_ = false;
  box_.reset();
  progress_.FileReached(0, 0, {});
  worker_ = std::thread([this, work = std::move(work)] {
    box_ = work(progress_, stop_);
    window_.post();
  });
  return true;
}

PassProgress::Snapshot PassRunner::Progress(std::string_view lineBreak) const {
  return progress_.Read(lineBreak);
}

void PassRunner::Ended() {
  if (asking_) {
    WithdrawQuestion();  // MayClose finishes, once the question is gone
    return;
  }
  Finish(true);
}

bool PassRunner::MayClose() {
  if (!Busy()) return true;
  asking_ = true;
  const Answer answer = AskYesNo("A pass is running. Stop it, and close the window?", AppTitle());
  asking_ = false;
  switch (answer) {
    case Answer::Withdrawn:
      Finish(true);
      return false;
    case Answer::No:
      return false;
    case Answer::Yes:
      // The pass stops between two files, or inside a copy, which then leaves nothing.
      stop_ = true;
      Finish(false);
      return true;
  }
  return false;
}

void PassRunner::EndSession() {
  stop_ = true;
  Finish(false);
}

void PassRunner::Finish(bool show) {
  if (!worker_.joinable()) return;  // finished already: a later end's call finds nothing
  worker_.join();
  window_.settle();
  if (show && box_) MsgBox(box_->text, box_->icon, AppTitle(), box_->linked);
  box_.reset();
}

}  // namespace zantovel
