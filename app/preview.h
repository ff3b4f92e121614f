#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app/window_model.h"
#include "rename/pass_progress.h"
#include "rename/plan.h"
#include "rename/report.h"

namespace zantovel {

// What the preview shows: the plan of a pass with the fields as they are, or, once a pass has
// run, what that pass did.
struct PreviewContent {
  WindowFields fields;
  PassResult result;            // its counts, or why the pass would fail at once
  std::vector<FileStep> steps;  // every file the type reaches, in the pass's order
  bool done = false;            // the steps of a pass that ran, not a plan
};

// How a row of the preview stands out: a file given its new name, one passed over, one left
// because its new name cannot be given (taken, too long, reserved, in use), or one the pass
// did not reach.
enum class RowKind { Changed, PassedOver, Left, NotReached };

struct PreviewRow {
  std::string name;     // as listed
  std::string newName;  // what it gets, or would have got; empty for one passed over
  std::string what;     // "renamed", "copied", "passed over: longer than 20 characters", ...
  RowKind kind;
};
PreviewRow RowOf(const FileStep& step, const PreviewContent& content);

// The lines above the rows: what the preview shows, then the counts of it, each reason a line
// ("3 will be renamed", "4 passed over: longer than 20 characters (IMG... and 3 more)"), or why
// nothing can be done.
std::string PreviewHeading(const PreviewContent& content);

// A rectangle on the screen, in pixels.
struct ScreenBox {
  int left, top, width, height;
  int Right() const { return left + width; }
  int Bottom() const { return top + height; }
  bool operator==(const ScreenBox&) const = default;
};

// Where a window of size wanted goes beside the frame of its owner on screen, without covering
// it: to its right or left, or else below or above it; where no side has room for it whole,
// made smaller to fit the roomiest side that leaves it 320 by 200; failing that, at the
// screen's right edge, over the owner.
ScreenBox PlaceBeside(ScreenBox wanted, ScreenBox frame, ScreenBox screen);

// Works the preview out beside the window: each request waits a moment for the next keystroke,
// replaces one not yet worked out, and a result that a later request has made stale is never
// handed on. ready is called on the worker when a result can be taken; the window takes it on
// its own thread.
class PreviewWorker {
 public:
  // How long a request waits for the next one before the folder is listed.
  static constexpr std::chrono::milliseconds kSettle{250};

  PreviewWorker(const WindowModel& model, std::function<void()> ready);
  ~PreviewWorker();
  PreviewWorker(const PreviewWorker&) = delete;
  PreviewWorker& operator=(const PreviewWorker&) = delete;

  void Request(const WindowFields& fields);
  // The newest result, if one is new since the last Take.
  std::optional<PreviewContent> Take();

 private:
  void Work();

  const WindowModel& model_;
  std::function<void()> ready_;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::optional<WindowFields> asked_;  // the request waiting to be worked out
  std::uint64_t generation_ = 0;       // of the newest request
  std::chrono::steady_clock::time_point askedAt_;
  std::optional<PreviewContent> result_;
  bool ending_ = false;
  std::thread worker_;  // last: it starts once everything above is ready
};

// What the previews of both windows share: the worker, and what their main window asks of
// them. A window's preview draws (Show), enables its Run button (SetRunEnabled), says whether it
// is in sight (Visible), and hands the worker's news to its own thread (Post), where Ready takes
// it. A derived preview calls StopFollowing first in its destructor, before what Post reaches
// goes.
class PreviewPane {
 public:
  explicit PreviewPane(const WindowModel& model);
  virtual ~PreviewPane();
  PreviewPane(const PreviewPane&) = delete;
  PreviewPane& operator=(const PreviewPane&) = delete;

  // The fields changed: a new preview a moment after the last change.
  void Follow(const WindowFields& fields) { worker_->Request(fields); }
  // A pass or an undo starts: the Run button waits.
  void WorkStarted() { SetRunEnabled(false); }
  // It ended: after a pass that recorded what it did (done), that; else the plan afresh.
  void WorkEnded(std::optional<PreviewContent>& done, const WindowFields& fields);
  virtual bool Visible() const = 0;

  // A pass with the fields on the worker of a window's runner; when record is set, what it did
  // goes to done, for WorkEnded.
  static WindowModel::Box RunPass(WindowModel& model, const WindowFields& fields,
                                  PassProgress& progress, const std::atomic<bool>& stop,
                                  bool record, std::optional<PreviewContent>& done);

 protected:
  void Ready();
  void StopFollowing() { worker_.reset(); }
  virtual void Show(PreviewContent content) = 0;
  virtual void SetRunEnabled(bool enabled) = 0;
  virtual void Post() = 0;

 private:
  std::unique_ptr<PreviewWorker> worker_;
};

}  // namespace zantovel
