#include "rename/rename_pass.h"

#include <algorithm>
#include <cerrno>
#include <optional>
#include <set>

#include "platform/error.h"
#include "platform/files.h"
#include "platform/path_rules.h"
#include "util/text.h"

namespace zantovel {
namespace {

constexpr std::string_view kAllFiles = "*.*";
constexpr std::size_t kLongestName = 20;
constexpr char kPlaceholder = '#';
constexpr char kPlaceholderReplacement = '0';
constexpr std::string_view kNumber = "1";
// U+FF03, which a locale-aware, width-insensitive search takes for "#".
constexpr std::string_view kFullWidthPlaceholder = "\xEF\xBC\x83";

constexpr std::string_view kRenamingFile = "Renaming file: ";
constexpr std::string_view kTooLong = "Filename too long, cannot rename";
constexpr std::string_view kRenamed = " renamed";
constexpr std::string_view kDeleting = "Deleting original";
constexpr std::string_view kDeleted = "Original deleted";
constexpr std::string_view kTargetExists = "Target file exists, cannot rename";
constexpr std::string_view kProgramFile = "File in use by Zantovel, cannot rename";
constexpr std::string_view kNotAFile = "Not a file any more, cannot rename";
constexpr std::string_view kNewNameTooLong = "New name too long, cannot rename";
constexpr std::string_view kDone = "Done";

std::string BadPrefixMessage() {
  return "The prefix may not contain " + std::string(ForbiddenInNamesText()) +
         ": it must name a file in the chosen folder.";
}

bool AsksForNumbering(std::string_view prefix, bool allFilesMode) {
  if (prefix.find(kPlaceholder) != std::string_view::npos) return true;
  return allFilesMode && prefix.find(kFullWidthPlaceholder) != std::string_view::npos;
}

// The files a pass must leave alone, whatever their names: the program, its settings and its
// log. Compared by identity, so no other name for them (a hard link) gets past.
std::vector<FileId> ProgramFiles(const PassContext& context) {
  std::vector<FileId> files;
  std::vector<std::string> paths = context.ownFiles;
  paths.push_back(context.log.Path());
  for (const std::string& path : paths)
    if (const std::optional<FileId> id = IdentityOf(path)) files.push_back(*id);
  return files;
}

// What the pass does with the folder, apart from deciding: carried out by a real pass, or
// only noted by a plan. Both run the same loop, so a plan says exactly what a pass will do.
class PassSteps {
 public:
  PassSteps(const Folder& folder, const PassContext& context)
      : folder_(folder), programFiles_(ProgramFiles(context)) {}
  virtual ~PassSteps() = default;

  // Why name is left alone before it gets a new name, if it is: it is one of the program's
  // files, or no longer a file at all.
  std::optional<FileOutcome> Refusal(const std::string& name) const {
    const std::optional<Entry> entry = folder_.EntryOf(name);
    if (!entry) return std::nullopt;  // gone: the rename or copy says so
    if (entry->kind == EntryKind::Other) return FileOutcome::NotAFile;
    if (std::find(programFiles_.begin(), programFiles_.end(), entry->id) != programFiles_.end())
      return FileOutcome::ProgramFile;
    return std::nullopt;
  }
  virtual void Log(std::initializer_list<std::string_view> lines) = 0;
  // Gives name the new name by a rename, or by a copy in the all-files mode.
  virtual NewName Give(const std::string& name, const std::string& newName, bool copy) = 0;
  virtual void Reached(const std::string& name, FileOutcome outcome,
                       const std::string& newName) = 0;

  PassCounts counts;

 protected:
  void Count(FileOutcome outcome) {
    switch (outcome) {
      case FileOutcome::Renamed:
        ++counts.renamed;
        break;
      case FileOutcome::PassedOver:
        ++counts.passedOver;
        break;
      case FileOutcome::NameTaken:
        ++counts.nameTaken;
        break;
      case FileOutcome::ProgramFile:
        ++counts.programFiles;
        break;
      case FileOutcome::NotAFile:
        ++counts.notFiles;
        break;
      case FileOutcome::NameTooLong:
        ++counts.nameTooLong;
        break;
    }
  }

  const Folder& folder_;

 private:
  const std::vector<FileId> programFiles_;
};

// Carries the steps out. Copies are made in batches: each copy's content is written, then the
// whole batch is flushed to disk together and the copies named in order, which costs about one
// flush a batch instead of one a copy. Until its batch is finished, a copy has no name, and
// every log line from the batch's first copy on waits with the copies, with the time of its
// step, so the log never tells of a copy that is not there; the lines are written in order,
// and where a copy's name was taken meanwhile, they say so. A batch is no larger than the
// folder allows copies to wait at once, and is finished early when the process runs out of
// descriptors.
class RealSteps : public PassSteps {
 public:
  RealSteps(const Folder& folder, const PassContext& context)
      : PassSteps(folder, context), log_(context.log), batch_(folder.CopiesAtOnce()) {}

  void Log(std::initializer_list<std::string_view> lines) override {
    if (copies_.empty()) return log_.Write(lines);
    const std::tm now = log_.Now();
    for (const std::string_view line : lines)
      waiting_.push_back({{now, std::string(line)}, awaited_});
  }

  NewName Give(const std::string& name, const std::string& newName, bool copy) override {
    if (!copy) return folder_.MoveNoReplace(name, newName);
    // A name an earlier copy of the batch will take, or one taken now, is not copied at all.
    if (names_.count(newName) > 0 || folder_.EntryOf(newName)) return NewName::Taken;
    NewName made = NewName::Made;
    std::optional<PendingCopy> started = [&]() -> std::optional<PendingCopy> {
      try {
        return folder_.StartCopy(name, newName, made);
      } catch (const PlatformError& error) {
        const bool outOfDescriptors = error.code() == std::errc::too_many_files_open ||
                                      error.code() == std::errc::too_many_files_open_in_system;
        Finish();  // what was done before the failure stays done, and is logged
        if (!outOfDescriptors) throw;
        // The batch held them: with it named and closed, the copy is tried once more.
        return folder_.StartCopy(name, newName, made);
      }
    }();
    if (!started) return made;
    copies_.push_back(std::move(*started));
    names_.insert(newName);
    awaited_ = copies_.size() - 1;
    return NewName::Made;
  }

  void Reached(const std::string&, FileOutcome outcome, const std::string&) override {
    Count(outcome);
    awaited_ = kNone;
    if (copies_.size() >= batch_) Finish();
  }

  // Flushes and names the batch's copies and writes the lines waiting with them, in order.
  void Finish() {
    if (copies_.empty()) return;
    folder_.FlushCopies(copies_);
    std::vector<std::optional<NewName>> made(copies_.size());
    std::vector<LogEntry> lines;
    const auto writeLines = [&] {
      log_.Write(lines);
      lines.clear();
    };
    for (Waiting& line : waiting_) {
      if (line.copy != kNone && !made[line.copy]) {
        writeLines();  // a failure to finish this copy comes after everything before it
        made[line.copy] = folder_.FinishCopy(copies_[line.copy]);
        if (*made[line.copy] == NewName::Taken) {
          lines.push_back({line.entry.time, std::string(kTargetExists)});
          --counts.renamed;
          ++counts.nameTaken;
        }
      }
      if (line.copy == kNone || *made[line.copy] == NewName::Made)
        lines.push_back(std::move(line.entry));
    }
    writeLines();
    copies_.clear();
    waiting_.clear();
    names_.clear();
  }

 private:
  static constexpr std::size_t kNone = static_cast<std::size_t>(-1);

  struct Waiting {
    LogEntry entry;
    std::size_t copy;  // the copy whose outcome the line tells of, or kNone
  };
  ActivityLog& log_;
  const std::size_t batch_;
  std::vector<PendingCopy> copies_;
  std::vector<Waiting> waiting_;
  std::set<std::string> names_;  // the new names of the batch
  std::size_t awaited_ = kNone;
};

// Follows the names the pass would make and remove, over the names the folder has now.
class PlannedSteps : public PassSteps {
 public:
  PlannedSteps(const Folder& folder, const PassContext& context, std::vector<FileStep>& steps)
      : PassSteps(folder, context), steps_(steps) {}
  void Log(std::initializer_list<std::string_view>) override {}
  NewName Give(const std::string& name, const std::string& newName, bool copy) override {
    const bool taken =
        made_.count(newName) > 0 || (removed_.count(newName) == 0 && folder_.EntryOf(newName));
    if (taken) return NewName::Taken;
    made_.insert(newName);
    removed_.erase(newName);
    if (!copy) {
      made_.erase(name);
      removed_.insert(name);
    }
    return NewName::Made;
  }
  void Reached(const std::string& name, FileOutcome outcome, const std::string& newName) override {
    Count(outcome);
    steps_.push_back({name, newName, outcome});
  }

 private:
  std::vector<FileStep>& steps_;
  std::set<std::string> made_, removed_;
};

void PassOver(PassSteps& steps, const std::vector<std::string>& names,
              const std::string& folderPath, std::string& prefix, const std::string& fileType) {
  const bool allFilesMode = fileType == kAllFiles;
  for (const std::string& name : names) {
    if (!allFilesMode && !TypeMatches(name, fileType)) continue;
    steps.Log({std::string(kRenamingFile) + folderPath + name});
    if (!allFilesMode && IsSkipped(name, prefix)) {
      steps.Log({kTooLong});
      steps.Reached(name, FileOutcome::PassedOver, {});
      continue;
    }
    if (const std::optional<FileOutcome> refusal = steps.Refusal(name)) {
      steps.Log({*refusal == FileOutcome::ProgramFile ? kProgramFile : kNotAFile});
      steps.Reached(name, *refusal, {});
      continue;
    }
    const std::string newName = NewFileName(prefix, name, allFilesMode);
    if (!NameFitsLength(newName)) {
      steps.Log({kNewNameTooLong});
      steps.Reached(name, FileOutcome::NameTooLong, newName);
      continue;
    }
    if (steps.Give(name, newName, allFilesMode) == NewName::Taken) {
      steps.Log({kTargetExists});
      steps.Reached(name, FileOutcome::NameTaken, newName);
      continue;
    }
    const std::string renamed = folderPath + name + std::string(kRenamed);
    // A rename removes the old name in the same step: the three lines tell of one moment, in
    // the log's usual words, and go to the log in one write.
    if (allFilesMode)
      steps.Log({renamed});
    else
      steps.Log({renamed, kDeleting, kDeleted});
    steps.Reached(name, FileOutcome::Renamed, newName);
  }
}

// Runs `work` on the opened folder; any refusal or failure becomes the result that says why.
template <typename Work>
PassResult Attempt(const std::string& folderPath, const std::string& prefix, Work work) {
  if (!FitsInName(prefix)) return {PassEnd::PrefixRefused, BadPrefixMessage(), {}};
  PassCounts counts;
  try {
    const Folder folder(folderPath);
    work(folder, counts);
  } catch (const PlatformError& error) {
    return {PassEnd::Failed, error.what(), counts};
  }
  return {PassEnd::Done, std::string(kDone), counts};
}

}  // namespace

bool TypeMatches(std::string_view name, std::string_view fileType) {
  return RightChars(LowerCase(name), CharCount(fileType)) == fileType;
}

bool IsSkipped(std::string_view name, std::string_view prefix) {
  return LeftChars(name, CharCount(prefix)) == prefix || CharCount(name) > kLongestName;
}

std::string NewFileName(std::string& prefix, std::string_view name, bool allFilesMode) {
  if (!AsksForNumbering(prefix, allFilesMode)) return prefix + std::string(name);
  std::replace(prefix.begin(), prefix.end(), kPlaceholder, kPlaceholderReplacement);
  return prefix + std::string(kNumber) + std::string(name);
}

PassResult RenamePass(PassContext& context, const std::string& folderPath, std::string prefix,
                      const std::string& fileType) {
  return Attempt(folderPath, prefix, [&](const Folder& folder, PassCounts& counts) {
    // Listed once, before the first copy, so a pass never meets its own copies.
    const std::vector<std::string> names = folder.ListFiles();
    // What a killed pass left is removed first: it may hold the space this pass needs.
    folder.RemoveLeftovers();
    RealSteps steps(folder, context);
    try {
      PassOver(steps, names, folderPath, prefix, fileType);
      steps.Finish();
    } catch (const PlatformError&) {
      counts = steps.counts;
      throw;
    }
    counts = steps.counts;
    folder.Flush();
  });
}

PassResult PlanRenamePass(const PassContext& context, const std::string& folderPath,
                          std::string prefix, const std::string& fileType,
                          std::vector<FileStep>& steps) {
  return Attempt(folderPath, prefix, [&](const Folder& folder, PassCounts& counts) {
    PlannedSteps planned(folder, context, steps);
    PassOver(planned, folder.ListFiles(), folderPath, prefix, fileType);
    counts = planned.counts;
  });
}

}  // namespace zantovel
