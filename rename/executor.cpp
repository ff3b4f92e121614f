#include "rename/executor.h"

#include <algorithm>

#include "platform/error.h"
#include "store/journal.h"

namespace zantovel {
namespace {

constexpr std::string_view kRenamingFile = "Renaming file: ";
constexpr std::string_view kPassedOver = "Filename too long, cannot rename";
constexpr std::string_view kRenamed = " renamed";
constexpr std::string_view kDeleting = "Deleting original";
constexpr std::string_view kDeleted = "Original deleted";
constexpr std::string_view kTargetExists = "Target file exists, cannot rename";
constexpr std::string_view kProgramFile = "File in use by Zantovel, cannot rename";
constexpr std::string_view kNotAFile = "Not a file any more, cannot rename";
constexpr std::string_view kNewNameTooLong = "New name too long, cannot rename";
constexpr std::string_view kNewNameReserved = "New name reserved by Windows, cannot rename";

// The line that tells why a step gives no new name.
std::string_view LineOf(FileOutcome outcome) {
  switch (outcome) {
    case FileOutcome::HasPrefix:
    case FileOutcome::LongName:
      return kPassedOver;
    case FileOutcome::NameTaken:
      return kTargetExists;
    case FileOutcome::ProgramFile:
      return kProgramFile;
    case FileOutcome::NotAFile:
      return kNotAFile;
    case FileOutcome::NameTooLong:
      return kNewNameTooLong;
    case FileOutcome::NameReserved:
      return kNewNameReserved;
    case FileOutcome::Renamed:
    case FileOutcome::Copied:
    case FileOutcome::NotReached:
      break;
  }
  return {};
}

}  // namespace

Executor::Executor(const Folder& folder, ActivityLog& log, Options options)
    : folder_(folder),
      log_(log),
      folderText_(std::move(options.folderText)),
      ownFiles_(std::move(options.ownFiles)),
      journal_(options.journal),
      progress_(options.progress),
      stop_(options.stop),
      listed_(options.listed),
      batch_(folder.CopiesAtOnce()) {}

Entry Executor::Lasting(Entry entry) const {
  // An identity that will not last is no proof for undo: it is left out, and undo knows the
  // file by its size and times alone.
  if (!folder_.IdentitiesLast()) entry.id = {};
  return entry;
}

bool Executor::Look(std::vector<FileStep>& batch) {
  unseen_.assign(batch.size(), {});
  for (std::size_t i = 0; i < batch.size(); ++i) {
    FileStep& step = batch[i];
    if (!GetsNewName(step.outcome)) continue;
    if (Stopped()) return false;
    const std::optional<Entry> entry = folder_.EntryOf(step.name, unseen_[i]);
    if (!entry) continue;
    if (entry->kind == EntryKind::Other) {
      step.outcome = FileOutcome::NotAFile;
    } else if (std::find(ownFiles_.begin(), ownFiles_.end(), entry->id) != ownFiles_.end()) {
      step.outcome = FileOutcome::ProgramFile;
    } else if (journal_ != nullptr) {
      const StepKind kind = step.outcome == FileOutcome::Copied ? StepKind::Copy : StepKind::Rename;
      journal_->Add({kind, Lasting(*entry), step.name, step.newName});
    }
  }
  return true;
}

bool Executor::Run(std::vector<FileStep>& batch) {
  // Until a step is done it was not reached, so a failure thrown out of here leaves the steps
  // after it as they really are.
  std::vector<FileOutcome> planned(batch.size());
  for (std::size_t i = 0; i < batch.size(); ++i)
    planned[i] = std::exchange(batch[i].outcome, FileOutcome::NotReached);
  for (std::size_t i = 0; i < batch.size(); ++i) {
    FileStep& step = batch[i];
    if (Stopped()) {
      DropCopies();
      return false;
    }
    if (progress_ != nullptr) progress_->FileReached(step.listed, listed_, step.name);
    LogFirst(std::string(kRenamingFile) + folderText_ + step.name);
    // A step the journal does not hold cannot be taken back, so it is not taken.
    if (journal_ != nullptr && i < unseen_.size() && unseen_[i])
      folder_.FailToName(step.name, step.newName, planned[i] == FileOutcome::Copied, unseen_[i]);
    if (planned[i] == FileOutcome::Copied) {
      if (!StartCopy(step)) {
        DropCopies();
        return false;
      }
    } else if (planned[i] == FileOutcome::Renamed) {
      if (folder_.MoveNoReplace(step.name, step.newName) == NewName::Taken) {
        RecordTaken(step);
        step.outcome = FileOutcome::NameTaken;
        Log({kTargetExists});
      } else {
        // A rename removes the old name in the same step: the three lines tell of one moment,
        // in the log's usual words.
        step.outcome = FileOutcome::Renamed;
        Log({folderText_ + step.name + std::string(kRenamed), kDeleting, kDeleted});
      }
    } else {
      step.outcome = planned[i];
      Log({LineOf(planned[i])});
    }
    awaited_ = kNone;
    if (copies_.size() >= batch_) NameCopies();
  }
  // The batch's copies have their names before the next batch is looked at and journalled.
  NameCopies();
  return true;
}

// A copy is started here and named with its batch (NameCopies); false when a stop came inside
// it, which leaves nothing of it.
bool Executor::StartCopy(FileStep& step) {
  // A name an earlier copy of the batch will take, or one taken now, is not copied at all.
  if (names_.count(step.newName) > 0 || folder_.EntryOf(step.newName)) {
    RecordTaken(step);
    step.outcome = FileOutcome::NameTaken;
    Log({kTargetExists});
    return true;
  }
  std::optional<PendingCopy> started = [&] {
    try {
      return folder_.StartCopy(step.name, step.newName);
    } catch (const PlatformError& error) {
      const bool outOfDescriptors = error.code() == std::errc::too_many_files_open ||
                                    error.code() == std::errc::too_many_files_open_in_system;
      NameCopies();  // what was done before the failure stays done, and is logged
      if (!outOfDescriptors) throw;
      // The batch held them: with it named and closed, the copy is tried once more.
      return folder_.StartCopy(step.name, step.newName);
    }
  }();
  if (!started) return false;
  copies_.push_back(std::move(*started));
  copySteps_.push_back(&step);
  names_.insert(step.newName);
  awaited_ = copies_.size() - 1;
  Log({folderText_ + step.name + std::string(kRenamed)});
  return true;
}

void Executor::Log(std::initializer_list<std::string_view> lines) {
  const std::tm now = log_.Now();
  for (const std::string_view line : lines) {
    if (copies_.empty())
      held_.push_back({now, std::string(line)});
    else
      waiting_.push_back({{now, std::string(line)}, awaited_});
  }
}

void Executor::LogFirst(std::string_view line) {
  Log({line});
  if (copies_.empty()) WriteHeld();
}

void Executor::WriteHeld() {
  if (held_.empty()) return;
  std::vector<LogEntry> lines;
  lines.swap(held_);
  log_.Write(lines);
}

void Executor::WriteWaitingLines() {
  WriteHeld();
  // What came before the first copy that waits is done; from there on the lines tell of
  // copies that are not there.
  std::vector<LogEntry> lines;
  for (Waiting& line : waiting_) {
    if (line.copy != kNone) break;
    lines.push_back(std::move(line.entry));
  }
  waiting_.clear();
  log_.Write(lines);
}

void Executor::RecordTaken(const FileStep& step) {
  if (journal_ == nullptr) return;
  // On disk at once: what another program made under the name, even an empty file, must never
  // be taken for the pass's own.
  journal_->Add({StepKind::Taken, {}, step.name, step.newName});
  journal_->Flush();
}

void Executor::NameCopies() {
  WriteHeld();
  if (copies_.empty()) return;
  // What each copy is, in the journal before any of them has a name: undo removes a file only
  // when it is one of these, unchanged. The flush that puts the copies on disk puts the records
  // there too where it flushes the whole file system the journal is on.
  if (journal_ != nullptr) {
    for (std::size_t i = 0; i < copies_.size(); ++i)
      journal_->Add({StepKind::Copied, Lasting(folder_.CopyEntryOf(copies_[i])),
                     copySteps_[i]->name, copySteps_[i]->newName});
    journal_->Write();
  }
  // However this ends, the batch is over: a failure leaves its later copies unnamed (they go
  // with copies_) and their lines unwritten.
  struct Over {
    Executor& executor;
    ~Over() {
      executor.copies_.clear();
      executor.copySteps_.clear();
      executor.waiting_.clear();
      executor.names_.clear();
    }
  } over{*this};
  const bool wholeFileSystem = folder_.FlushCopies(copies_);
  if (journal_ != nullptr)
    journal_->Flush(wholeFileSystem ? std::optional(folder_.Id().device) : std::nullopt);
  std::vector<std::optional<NewName>> made(copies_.size());
  std::vector<LogEntry> lines;
  const auto writeLines = [&] {
    log_.Write(lines);
    lines.clear();
  };
  for (Waiting& line : waiting_) {
    if (line.copy != kNone && !made[line.copy]) {
      writeLines();  // a failure to finish this copy comes after everything before it
      FileStep& step = *copySteps_[line.copy];
      made[line.copy] = folder_.FinishCopy(copies_[line.copy]);
      step.outcome =
          *made[line.copy] == NewName::Made ? FileOutcome::Copied : FileOutcome::NameTaken;
      if (step.outcome == FileOutcome::NameTaken) {
        RecordTaken(step);
        lines.push_back({line.entry.time, std::string(kTargetExists)});
      }
    }
    if (line.copy == kNone || *made[line.copy] == NewName::Made)
      lines.push_back(std::move(line.entry));
  }
  writeLines();
}

void Executor::DropCopies() {
  // The copies not yet named go without a trace, and so do the lines that told of them.
  WriteWaitingLines();
  copies_.clear();
  copySteps_.clear();
  names_.clear();
}

}  // namespace zantovel
