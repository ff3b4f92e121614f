#include "app/preview.h"

#include <algorithm>
#include <iterator>

#include "rename/name_rules.h"

namespace zantovel {

PreviewRow RowOf(const FileStep& step, const PreviewContent& content) {
  const std::string& prefix = content.fields.prefix;
  switch (step.outcome) {
    case FileOutcome::Renamed:
    case FileOutcome::Copied: {
      const bool copy = step.outcome == FileOutcome::Copied;
      const char* what = content.done ? (copy ? "copied" : "renamed")
                                      : (copy ? "will be copied" : "will be renamed");
      return {step.name, step.newName, what, RowKind::Changed};
    }
    case FileOutcome::HasPrefix:
    case FileOutcome::LongName:
      return {step.name, {}, OutcomeWords(step.outcome, prefix), RowKind::PassedOver};
    case FileOutcome::NotReached:
      return {step.name, step.newName, OutcomeWords(step.outcome, prefix), RowKind::NotReached};
    default:
      return {step.name, step.newName, "left: " + OutcomeWords(step.outcome, prefix),
              RowKind::Left};
  }
}

std::string PreviewHeading(const PreviewContent& content) {
  const PassResult& result = content.result;
  if (result.end == PassEnd::Failed || result.end == PassEnd::PrefixRefused) return result.message;
  const bool allFiles = IsAllFiles(content.fields.type);
  std::string heading =
      content.done ? result.message + ": what the pass did"
                   : std::string(allFiles ? "What Run would copy" : "What Run would rename");
  std::vector<std::string> lines = CountLines(result.counts, content.fields.prefix, allFiles);
  if (!content.done) {
    const std::string counted = lines.front().substr(0, lines.front().find(' '));
    lines.front() = counted + (allFiles ? " would be copied" : " would be renamed");
  }
  for (const std::string& line : lines) heading += "\n" + line;
  if (result.counts.Reached() == 0 && !allFiles)
    heading += "\n" + WhyNothingMatched(content.fields.type);
  return heading;
}

ScreenBox PlaceBeside(ScreenBox wanted, ScreenBox frame, ScreenBox screen) {
  constexpr int kGap = 8, kLeast[] = {320, 200};
  // The room on each side, as far as the screen goes.
  const ScreenBox sides[] = {
      {frame.Right() + kGap, frame.top, screen.Right() - frame.Right() - kGap,
       screen.Bottom() - frame.top},
      {screen.left, frame.top, frame.left - kGap - screen.left, screen.Bottom() - frame.top},
      {screen.left, frame.Bottom() + kGap, screen.width, screen.Bottom() - frame.Bottom() - kGap},
      {screen.left, screen.top, screen.width, frame.top - kGap - screen.top},
  };
  std::optional<ScreenBox> best;
  for (std::size_t side = 0; side < std::size(sides); ++side) {
    const ScreenBox& room = sides[side];
    const int width = std::min(wanted.width, room.width);
    const int height = std::min(wanted.height, room.height);
    if (width < kLeast[0] || height < kLeast[1]) continue;
    // Against the owner: a window on its left ends at its left, one above ends at its top.
    const ScreenBox place{side == 1 ? room.Right() - width : room.left,
                          side == 3 ? room.Bottom() - height : room.top, width, height};
    if (width == wanted.width && height == wanted.height) return place;
    if (!best || width * height > best->width * best->height) best = place;
  }
  if (best) return *best;
  return {std::max(screen.left, screen.Right() - wanted.width), std::max(screen.top, frame.top),
          wanted.width, wanted.height};
}

PreviewWorker::PreviewWorker(const WindowModel& model, std::function<void()> ready)
    : model_(model), ready_(std::move(ready)), worker_([this] { Work(); }) {}

PreviewWorker::~PreviewWorker() {
  {
    const std::lock_guard lock(mutex_);
    ending_ = true;
  }
  wake_.notify_all();
  worker_.join();
}

void PreviewWorker::Request(const WindowFields& fields) {
  {
    const std::lock_guard lock(mutex_);
    asked_ = fields;
    ++generation_;
    askedAt_ = std::chrono::steady_clock::now();
  }
  wake_.notify_all();
}

std::optional<PreviewContent> PreviewWorker::Take() {
  const std::lock_guard lock(mutex_);
  return std::exchange(result_, std::nullopt);
}

void PreviewWorker::Work() {
  std::unique_lock lock(mutex_);
  for (;;) {
    wake_.wait(lock, [this] { return ending_ || asked_; });
    if (ending_) return;
    // A moment for the next keystroke, which replaces this request.
    if (wake_.wait_until(lock, askedAt_ + kSettle, [this] { return ending_; })) return;
    if (std::chrono::steady_clock::now() < askedAt_ + kSettle) continue;
    PreviewContent content;
    content.fields = *std::exchange(asked_, std::nullopt);
    const std::uint64_t generation = generation_;
    lock.unlock();
    content.result = model_.Preview(content.fields, content.steps);
    lock.lock();
    if (generation != generation_) continue;  // the fields changed meanwhile: stale
    result_ = std::move(content);
    lock.unlock();
    ready_();
    lock.lock();
  }
}

PreviewPane::PreviewPane(const WindowModel& model)
    : worker_(std::make_unique<PreviewWorker>(model, [this] { Post(); })) {}

PreviewPane::~PreviewPane() = default;

void PreviewPane::Ready() {
  if (worker_ == nullptr) return;
  if (std::optional<PreviewContent> content = worker_->Take()) Show(std::move(*content));
}

void PreviewPane::WorkEnded(std::optional<PreviewContent>& done, const WindowFields& fields) {
  SetRunEnabled(true);
  // After a pass, what it did; after an undo, the plan of the folder as it is again.
  if (done) {
    PreviewContent content = *std::exchange(done, std::nullopt);
    content.done = true;
    Show(std::move(content));
  } else if (Visible()) {
    Follow(fields);
  }
}

WindowModel::Box PreviewPane::RunPass(WindowModel& model, const WindowFields& fields,
                                      PassProgress& progress, const std::atomic<bool>& stop,
                                      bool record, std::optional<PreviewContent>& done) {
  PreviewContent content{fields, {}, {}, true};
  content.result = model.RunPass(fields, &progress, &stop, record ? &content.steps : nullptr);
  WindowModel::Box box = model.AfterPass(content.result, fields);
  if (record) done = std::move(content);
  return box;
}

}  // namespace zantovel
