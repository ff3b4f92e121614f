#include "app/window_model.h"

#include "platform/app.h"
#include "platform/error.h"
#include "platform/files.h"
#include "platform/path_rules.h"
#include "rename/rename_pass.h"
#include "store/settings.h"

namespace zantovel {
namespace {

constexpr const char* kDefaultPrefix = "a_";
constexpr const char* kDefaultType = ".tmp";
constexpr const char* kFolderDialogTitle = "Select folder";
constexpr const char* kHelpText =
    "The prefix is the character(s) or number(s) that you would like to add to the beginning of "
    "the filename.\r\n\r\nTo use preceeding numbers, use the # character to specify the amount "
    "of leading zero's to use";

}  // namespace

std::string WindowModel::Caption() {
  const AppVersion version = AppVersionNumbers();
  return AppTitle() + " v" + std::to_string(version.major) + "." + std::to_string(version.minor) +
         "." + std::to_string(version.revision);
}

WindowFields WindowModel::Restore() const {
  const SettingsStore& settings = files_.Settings();
  return {settings.ReadPath(kSettingsSection, "LastP", std::string(DefaultFolder())),
          settings.Read(kSettingsSection, "LastF", kDefaultPrefix),
          settings.Read(kSettingsSection, "LastT", kDefaultType)};
}

std::optional<std::string> WindowModel::Distrust() const {
  return files_.Distrust();
}

void WindowModel::Keep(const WindowFields& fields) {
  try {
    files_.MakeSettingsFolder();
    files_.Settings().Save(
        kSettingsSection,
        {{"LastP", fields.folder}, {"LastF", fields.prefix}, {"LastT", fields.type}});
  } catch (const PlatformError&) {
    // The window is closing: a save that cannot be made is not told (see Keep), and the next
    // start shows what was kept before.
  }
}

PassResult WindowModel::RunPass(const WindowFields& fields, ProgressListener* progress,
                                const std::atomic<bool>* stop, std::vector<FileStep>* record) {
  std::optional<PassContext> made;
  try {
    made.emplace(ContextOf(files_, true));
  } catch (const PlatformError& error) {
    PassResult refused;
    refused.end = PassEnd::Failed;
    refused.message = error.what();
    return refused;
  }
  PassContext& context = *made;
  context.progress = progress;
  context.stop = stop;
  context.record = record;
  return RenamePass(context, FolderNamed(fields.folder), fields.prefix, fields.type);
}

PassResult WindowModel::Preview(const WindowFields& fields, std::vector<FileStep>& steps) const {
  // Files of its own: the settings' cache and the log are the window's and the pass's.
  ProgramFiles files(files_.Executable());
  return PlanRenamePass(ContextOf(files, false), FolderNamed(fields.folder), fields.prefix,
                        fields.type, steps);
}

WindowModel::Box WindowModel::AfterPass(const PassResult& result,
                                        const WindowFields& fields) const {
  switch (result.end) {
    case PassEnd::PrefixRefused:
      return {result.message, MsgIcon::Exclamation};
    case PassEnd::Failed:
      return {result.message, MsgIcon::Critical};
    case PassEnd::Stopped:
      return {PassSummary(result, fields.prefix, fields.type, files_.Log().Path()),
              MsgIcon::Information, files_.Log().Path()};
    case PassEnd::Done:
      break;
  }
  return {PassSummary(result, fields.prefix, fields.type, files_.Log().Path()), MsgIcon::None,
          files_.Log().Path()};
}

namespace {

// "3 files" or "1 file".
std::string Files(std::size_t count, std::string_view one, std::string_view many) {
  return std::to_string(count) + " " + std::string(count == 1 ? one : many);
}

}  // namespace

std::optional<WindowModel::UndoPlan> WindowModel::PlanUndo(Box& nothing) const {
  PassContext context = ContextOf(files_, false);
  const UndoResult plan = zantovel::UndoPass(context, {}, true);
  if (plan.end == PassEnd::Failed) {
    nothing = {plan.message, plan.nothingLeft ? MsgIcon::Information : MsgIcon::Critical};
    return std::nullopt;
  }
  // A question about what is to come, each count on a line of its own.
  std::string question = "Take back this pass?\n\nFolder: " + plan.folder +
                         "\nRun at: " + plan.time + "\nPrefix: " + plan.prefix +
                         "    Type: " + plan.type + "\n";
  const std::size_t back = plan.Count(UndoOutcome::RenamedBack);
  const std::size_t removed = plan.Count(UndoOutcome::CopyRemoved);
  const std::size_t left = plan.Left();
  if (back > 0)
    question += "\n" + Files(back, "file", "files") + " will get " + (back == 1 ? "its" : "their") +
                " old name back.";
  if (removed > 0) question += "\n" + Files(removed, "copy", "copies") + " will be removed.";
  if (left > 0)
    question += "\n" + Files(left, "file", "files") + " will be left as " +
                (left == 1 ? "it is" : "they are") +
                ": changed, moved or removed since, or the old name taken.";
  if (back + removed == 0) question += "\nNothing of it is left to take back.";
  return UndoPlan{plan.id, question};
}

std::optional<std::string> WindowModel::ConfirmUndo(const std::optional<UndoPlan>& plan,
                                                    const Box& nothing) {
  if (!plan) {
    MsgBox(nothing.text, nothing.icon, AppTitle());
    return std::nullopt;
  }
  if (AskYesNo(plan->question, "Take back a pass") != Answer::Yes) return std::nullopt;
  return plan->id;
}

UndoPlanning::~UndoPlanning() {
  if (worker_.joinable()) worker_.join();
}

bool UndoPlanning::Start(const WindowModel& model) {
  if (worker_.joinable()) return false;
  worker_ = std::thread([this, &model] {
    try {
      plan_ = model.PlanUndo(nothing_);
    } catch (const PlatformError& error) {
      plan_.reset();
      nothing_ = {error.what(), MsgIcon::Critical};
    }
    ready_();
  });
  return true;
}

std::optional<WindowModel::UndoPlan> UndoPlanning::Take(WindowModel::Box& nothing) {
  if (worker_.joinable()) worker_.join();
  nothing = nothing_;
  return std::exchange(plan_, std::nullopt);
}

UndoResult WindowModel::UndoPass(const std::string& id, ProgressListener* progress,
                                 const std::atomic<bool>* stop) {
  PassContext context = ContextOf(files_, false);
  context.progress = progress;
  context.stop = stop;
  return zantovel::UndoPass(context, id, false);
}

WindowModel::Box WindowModel::AfterUndo(const UndoResult& result) const {
  if (result.end == PassEnd::Failed) return {result.message, MsgIcon::Critical};
  std::string text = result.message + "\n\n" + UndoCountsText(result) + ".";
  for (const UndoStep& step : result.steps) {
    if (step.outcome == UndoOutcome::Changed)
      text += "\nLeft: " + step.newName + ", changed since the pass";
    if (step.outcome == UndoOutcome::Gone) text += "\nLeft: " + step.newName + ", no longer there";
    if (step.outcome == UndoOutcome::OldNameTaken)
      text += "\nLeft: " + step.newName + ", " + step.oldName + " is taken";
  }
  text += "\nLog: " + files_.Log().Path();
  return {text, result.end == PassEnd::Done ? MsgIcon::None : MsgIcon::Information,
          files_.Log().Path()};
}

void WindowModel::ShowHelp() {
  MsgBox(kHelpText, MsgIcon::Information, AppTitle());
}

std::optional<std::string> WindowModel::FolderFieldFor(const std::string& path) {
  if (path.empty()) return std::nullopt;
  const std::string absolute = AbsolutePath(FolderNamed(path));
  std::string folder;
  switch (KindOf(absolute)) {
    case PathKind::Folder:
      folder = absolute;
      break;
    case PathKind::File:
      folder = FolderOf(absolute);
      break;
    case PathKind::Missing:
      return std::nullopt;
  }
  if (folder.empty() || !IsPathSeparator(folder.back())) folder += PathSeparator();
  return folder;
}

std::string WindowModel::FolderNamed(const std::string& field) {
  if (NativeStyle() != PathStyle::Posix || field.empty() || field.front() != '~' ||
      (field.size() > 1 && field[1] != '/'))
    return field;
  const std::string home = UserHome();
  return home.empty() ? field : home + field.substr(1);
}

std::string WindowModel::PickFolder(WindowHandle owner, const std::string& current) {
  // The picker opens at the folder the field names, as a user looking for a nearby folder
  // expects.
  return BrowseForFolder(owner, kFolderDialogTitle, FolderNamed(current)).value_or(current);
}

WindowModel::Highlights WindowModel::PointerMoved(PointerOver where) {
  switch (where) {
    case PointerOver::Background:
      highlights_ = {};
      break;
    case PointerOver::BrowseButton:
      highlights_.browse = true;
      break;
    case PointerOver::RunButton:
      highlights_.run = true;
      break;
  }
  return highlights_;
}

}  // namespace zantovel
