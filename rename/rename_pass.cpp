#include "rename/rename_pass.h"

#include <algorithm>
#include <cerrno>
#include <optional>
#include <unordered_map>
#include <unordered_set>

#include "platform/error.h"
#include "platform/files.h"
#include "platform/path_rules.h"
#include "store/journal.h"
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
constexpr std::string_view kNewNameReserved = "New name reserved by Windows, cannot rename";
constexpr std::string_view kDone = "Done";
constexpr std::string_view kStopped = "Stopped";
// How many steps are planned, journalled and put on disk at a time.
constexpr std::size_t kJournalBatch = 1000;

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

  // What a look at each file found, by name.
  using Looks = std::unordered_map<std::string, std::optional<Entry>>;

  // Why name is left alone before it gets a new name, if it is: it is one of the program's
  // files, or no longer a file at all.
  std::optional<FileOutcome> Refusal(const std::string& name) {
    const std::optional<Entry> entry = Look(name);
    Looked(name, entry);
    looked_ = entry;
    if (!entry) return std::nullopt;  // gone: the rename or copy says so
    if (entry->kind == EntryKind::Other) return FileOutcome::NotAFile;
    if (std::find(programFiles_.begin(), programFiles_.end(), entry->id) != programFiles_.end())
      return FileOutcome::ProgramFile;
    return std::nullopt;
  }
  // Takes each file as the given looks found it, where they hold it, instead of looking again.
  void TakeLooks(const Looks* looks) { looks_ = looks; }

  virtual void Log(std::initializer_list<std::string_view> lines) = 0;
  // The line that opens a file's steps ("Renaming file: ..."): by default, like any other.
  virtual void LogFirst(std::string_view line) { Log({line}); }
  // Gives name the new name by a rename, or by a copy in the all-files mode.
  virtual NewName Give(const std::string& name, const std::string& newName, bool copy) = 0;
  virtual void Reached(const std::string& name, FileOutcome outcome,
                       const std::string& newName) = 0;

  PassCounts counts;
  std::size_t reached = 0;

 protected:
  void Count(FileOutcome outcome) {
    ++reached;
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
      case FileOutcome::NameReserved:
        ++counts.nameReserved;
        break;
    }
  }

  virtual void Looked(const std::string&, const std::optional<Entry>&) {}

  // name as the looks handed over found it, or else as the folder has it now.
  std::optional<Entry> Look(const std::string& name) const {
    if (looks_ != nullptr)
      if (const auto known = looks_->find(name); known != looks_->end()) return known->second;
    return folder_.EntryOf(name);
  }

  const Folder& folder_;
  std::optional<Entry> looked_;  // the last file Refusal looked at

 private:
  const std::vector<FileId> programFiles_;
  const Looks* looks_ = nullptr;
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
  RealSteps(const Folder& folder, const PassContext& context, JournalWriter* journal)
      : PassSteps(folder, context),
        log_(context.log),
        journal_(journal),
        record_(context.record),
        batch_(folder.CopiesAtOnce()) {}

  // The lines that close a file's steps wait, with their times, for the next file's first
  // line and go to the log in one write with it, before that file's step: the log reads as if
  // each were written at once, at a third of the writes. Whatever ends the pass writes them
  // first (Finish).
  void Log(std::initializer_list<std::string_view> lines) override {
    const std::tm now = log_.Now();
    for (const std::string_view line : lines) {
      if (copies_.empty())
        held_.push_back({now, std::string(line)});
      else
        waiting_.push_back({{now, std::string(line)}, awaited_});
    }
  }
  void LogFirst(std::string_view line) override {
    Log({line});
    if (copies_.empty()) WriteHeld();
  }

  // Writes the lines that wait for the next file.
  void WriteHeld() {
    if (held_.empty()) return;
    std::vector<LogEntry> lines;
    lines.swap(held_);
    log_.Write(lines);
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
    copyNames_.emplace_back(name, newName);
    copySteps_.push_back(record_ != nullptr ? record_->size() : 0);
    names_.insert(newName);
    awaited_ = copies_.size() - 1;
    return NewName::Made;
  }

  void DropJournal() { journal_ = nullptr; }

  void Reached(const std::string& name, FileOutcome outcome, const std::string& newName) override {
    if (record_ != nullptr) record_->push_back({name, newName, outcome, looked_});
    Count(outcome);
    awaited_ = kNone;
    if (copies_.size() >= batch_) Finish();
  }

  // Writes the lines that wait; flushes and names the batch's copies and writes the lines
  // waiting with them, in order.
  void Finish() {
    WriteHeld();
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
        const auto& [oldName, newName] = copyNames_[line.copy];
        if (*made[line.copy] == NewName::Made && journal_ != nullptr)
          if (const std::optional<Entry> copy = folder_.EntryOf(newName))
            journal_->Add({StepKind::Made, *copy, oldName, newName});
        if (*made[line.copy] == NewName::Taken) {
          lines.push_back({line.entry.time, std::string(kTargetExists)});
          if (record_ != nullptr)
            (*record_)[copySteps_[line.copy]].outcome = FileOutcome::NameTaken;
          --counts.renamed;
          ++counts.nameTaken;
        }
      }
      if (line.copy == kNone || *made[line.copy] == NewName::Made)
        lines.push_back(std::move(line.entry));
    }
    writeLines();
    copies_.clear();
    copyNames_.clear();
    copySteps_.clear();
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
  JournalWriter* journal_;
  std::vector<FileStep>* record_;
  const std::size_t batch_;
  std::vector<PendingCopy> copies_;
  std::vector<std::pair<std::string, std::string>> copyNames_;  // old and new, by copy
  std::vector<std::size_t> copySteps_;  // where each copy's step stands in record_
  std::vector<Waiting> waiting_;
  std::vector<LogEntry> held_;             // closing lines that wait for the next file's first line
  std::unordered_set<std::string> names_;  // the new names of the batch
  std::size_t awaited_ = kNone;
};

// Which names a folder holds as a plan of a pass goes along: those the folder had, less those
// the plan removed, with those it made. Given the folder's sorted listing, it keeps only a mark
// by position in the listing, since a pass removes only listed names and makes names that are a
// listed name behind one of a few heads (the prefix): a pass over a million names needs a few
// megabytes here, not a copy of every name. Without a listing it asks the folder.
class PlannedNames {
 public:
  PlannedNames(const Folder& folder, const std::vector<std::string>* listing)
      : folder_(folder), listing_(listing) {
    if (listing_ != nullptr) listed_.assign(listing_->size(), Listed::AsListed);
  }

  bool Holds(const std::string& name) const {
    if (listing_ == nullptr) {
      if (const auto known = changed_.find(name); known != changed_.end())
        return known->second == Listed::Made;
      return folder_.EntryOf(name).has_value();
    }
    if (const std::optional<std::size_t> at = Position(name))
      return listed_[*at] != Listed::Removed;
    for (std::size_t head = 0; head < heads_.size(); ++head)
      if (name.starts_with(heads_[head]))
        if (const auto at = Position(std::string_view(name).substr(heads_[head].size())))
          if (madeBehind_[head][*at]) return true;
    return otherMade_.count(name) > 0;
  }

  // newName made for the listed name `from`.
  void Made(const std::string& from, const std::string& newName) {
    if (listing_ == nullptr) {
      changed_.insert_or_assign(newName, Listed::Made);
      return;
    }
    if (const std::optional<std::size_t> at = Position(newName)) {
      listed_[*at] = Listed::Made;
      return;
    }
    const std::optional<std::size_t> at = Position(from);
    if (!at || newName.size() <= from.size() || !newName.ends_with(from)) {
      otherMade_.insert(newName);
      return;
    }
    const std::string_view head(newName.data(), newName.size() - from.size());
    auto found = std::find(heads_.begin(), heads_.end(), head);
    if (found == heads_.end()) {
      heads_.emplace_back(head);
      madeBehind_.emplace_back(listing_->size(), false);
      found = heads_.end() - 1;
    }
    madeBehind_[found - heads_.begin()][*at] = true;
  }

  void Removed(const std::string& name) {
    if (listing_ == nullptr) {
      changed_.insert_or_assign(name, Listed::Removed);
      return;
    }
    if (const std::optional<std::size_t> at = Position(name)) listed_[*at] = Listed::Removed;
  }

 private:
  enum class Listed : std::uint8_t { AsListed, Removed, Made };

  // Where name stands in the listing. A plan goes down the listing in order and asks mostly for
  // the name it is at: the one found last, and the one after it, are tried before a search.
  std::optional<std::size_t> Position(std::string_view name) const {
    const std::vector<std::string>& listing = *listing_;
    for (const std::size_t at : {lastFound_, lastFound_ + 1})
      if (at < listing.size() && listing[at] == name) return lastFound_ = at;
    if (name == lastMissed_) return std::nullopt;  // a new name, asked for twice in a row
    const auto found = std::lower_bound(listing.begin(), listing.end(), name);
    if (found == listing.end() || *found != name) {
      lastMissed_ = name;
      return std::nullopt;
    }
    return lastFound_ = static_cast<std::size_t>(found - listing.begin());
  }

  const Folder& folder_;
  const std::vector<std::string>* listing_;
  std::vector<Listed> listed_;                       // by position in the listing
  std::vector<std::string> heads_;                   // what made names put before a listed name
  std::vector<std::vector<bool>> madeBehind_;        // by head, by position: head + that name made
  std::unordered_set<std::string> otherMade_;        // made names of any other shape
  std::unordered_map<std::string, Listed> changed_;  // without a listing: the names changed
  mutable std::size_t lastFound_ = 0;                // where Position last found a name
  mutable std::string lastMissed_;                   // the name Position last did not find
};

// Follows the names the pass would make and remove, over the names the folder has now.
class PlannedSteps : public PassSteps {
 public:
  // A plan that takes a name as taken when the folder has it now; or, given the folder's
  // sorted listing, when the listing holds it. That plan, for the journal, saves a look per
  // file and may count a rename that the pass then finds taken (a folder of that name, or a
  // file made since the listing): the journal then holds a step that never happened, which
  // undo passes over, since the file is still under its old name.
  PlannedSteps(const Folder& folder, const PassContext& context, std::vector<FileStep>& steps,
               const std::vector<std::string>* listing = nullptr)
      : PassSteps(folder, context), steps_(steps), names_(folder, listing) {}
  // What the plan's looks found since the last Forget.
  const Looks& Found() const { return found_; }
  void Forget() { found_.clear(); }

  void Log(std::initializer_list<std::string_view>) override {}
  NewName Give(const std::string& name, const std::string& newName, bool copy) override {
    if (names_.Holds(newName)) return NewName::Taken;
    names_.Made(name, newName);
    if (!copy) names_.Removed(name);
    return NewName::Made;
  }
  void Reached(const std::string& name, FileOutcome outcome, const std::string& newName) override {
    Count(outcome);
    steps_.push_back({name, newName, outcome, looked_});
    looked_.reset();
  }

 private:
  void Looked(const std::string& name, const std::optional<Entry>& entry) override {
    found_.emplace(name, entry);
  }

  std::vector<FileStep>& steps_;
  PlannedNames names_;
  Looks found_;
};

// The names from first to last, unless a stop is asked for first: then false.
struct NameRange {
  const std::vector<std::string>& names;
  std::size_t first, last;
};

// Who watches a pass over the names: a stop flag, and one told of each name reached.
struct Watch {
  const std::atomic<bool>* stop = nullptr;
  PassWatcher* watcher = nullptr;
};

bool PassOver(PassSteps& steps, NameRange range, const std::string& folderPath, std::string& prefix,
              const std::string& fileType, Watch watched) {
  const bool allFilesMode = fileType == kAllFiles;
  for (std::size_t i = range.first; i < range.last; ++i) {
    const std::string& name = range.names[i];
    if (watched.stop != nullptr && watched.stop->load()) return false;
    if (watched.watcher != nullptr) watched.watcher->FileReached(i, range.names.size(), name);
    if (!allFilesMode && !TypeMatches(name, fileType)) continue;
    steps.LogFirst(std::string(kRenamingFile) + folderPath + name);
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
    if (IsReservedName(newName)) {
      steps.Log({kNewNameReserved});
      steps.Reached(name, FileOutcome::NameReserved, newName);
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
  return true;
}

// Runs `work` on the opened folder; any refusal or failure becomes the result that says why.
template <typename Work>
PassResult Attempt(const std::string& folderPath, const std::string& prefix, Work work) {
  const auto ended = [](PassEnd end, std::string message, PassCounts counts) {
    PassResult result;
    result.end = end;
    result.message = std::move(message);
    result.counts = counts;
    return result;
  };
  if (!FitsInName(prefix)) return ended(PassEnd::PrefixRefused, BadPrefixMessage(), {});
  PassCounts counts;
  try {
    Folder folder(folderPath);
    work(folder, counts);
  } catch (const PlatformError& error) {
    if (error.code() == MakeError(FileError::Stopped))
      return ended(PassEnd::Stopped, std::string(kStopped), counts);
    return ended(PassEnd::Failed, error.what(), counts);
  }
  return ended(PassEnd::Done, std::string(kDone), counts);
}

std::string CountText(std::size_t count, std::string_view what) {
  return std::to_string(count) + " " + std::string(what);
}

}  // namespace

bool TypeMatches(std::string_view name, std::string_view fileType) {
  const std::size_t count = CharCount(fileType);
  // A name in ASCII lower-cases byte by byte, one byte a character: only its end is lower-cased.
  if (std::all_of(name.begin(), name.end(),
                  [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
    return LowerCase(name.substr(name.size() - std::min(count, name.size()))) == fileType;
  return RightChars(LowerCase(name), count) == fileType;
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
  std::size_t reached = 0;
  std::string journalProblem;
  PassResult result = Attempt(folderPath, prefix, [&](Folder& folder, PassCounts& counts) {
    // Listed once, before the first copy, so a pass never meets its own copies.
    const std::vector<std::string> names = folder.ListFiles();
    // What a killed pass left is removed first: it may hold the space this pass needs.
    folder.RemoveLeftovers();
    CopyWatch watch{context.stop, {}};
    if (context.watcher != nullptr)
      watch.copied = [&context](std::uint64_t done, std::uint64_t total) {
        context.watcher->BytesCopied(done, total);
      };
    folder.Watch(std::move(watch));
    std::optional<JournalWriter> journal;
    if (!context.journalPath.empty())
      journal.emplace(context.journalPath,
                      Journal{folderPath, prefix, fileType, LogTimestamp(context.log.Now()), {}});
    RealSteps steps(folder, context, journal ? &*journal : nullptr);
    // The journal's steps come from a plan of the next batch, made as the pass will make it.
    std::vector<FileStep> planned;
    PlannedSteps planner(folder, context, planned, &names);
    std::string plannedPrefix = prefix;
    const auto record = [&] {
      counts = steps.counts;
      reached = steps.reached;
    };
    try {
      bool going = true;
      for (std::size_t first = 0; going && first < names.size(); first += kJournalBatch) {
        const NameRange range{names, first, std::min(names.size(), first + kJournalBatch)};
        if (journal) {
          planned.clear();
          planner.Forget();
          // A stop while the batch is planned stops before any of its steps.
          going = PassOver(planner, range, folderPath, plannedPrefix, fileType, {context.stop});
          if (!going) break;
          const StepKind kind = IsAllFiles(fileType) ? StepKind::Copy : StepKind::Rename;
          for (const FileStep& step : planned)
            if (step.outcome == FileOutcome::Renamed && step.file)
              journal->Add({kind, *step.file, step.name, step.newName});
          try {
            journal->Flush();
          } catch (const PlatformError& error) {
            // A journal that cannot be started (a folder the user may not write) leaves the
            // pass without undo; one that fails later stops it, since its later steps could not
            // be taken back.
            if (journal->Started()) throw;
            journalProblem = error.what();
            steps.DropJournal();
            journal.reset();
          }
        }
        // The pass takes each file as the plan found it moments ago: one look at each file,
        // journal or not.
        steps.TakeLooks(journal ? &planner.Found() : nullptr);
        going =
            PassOver(steps, range, folderPath, prefix, fileType, {context.stop, context.watcher});
      }
      steps.Finish();
      if (journal) journal->Flush();
      record();
      if (!going) throw PlatformError(std::string(kStopped), MakeError(FileError::Stopped));
    } catch (const PlatformError&) {
      record();
      try {
        steps.WriteHeld();  // the steps done before the failure are told of before it
      } catch (const PlatformError&) {
      }
      throw;
    }
    folder.Flush();
  });
  result.reached = reached;
  result.journalProblem = journalProblem;
  // The counts close the pass's lines, however it ended, unless the log itself failed.
  if (result.end != PassEnd::PrefixRefused && (reached > 0 || result.end == PassEnd::Stopped)) {
    try {
      context.log.Write({CountsLine(result, IsAllFiles(fileType))});
    } catch (const PlatformError&) {
    }
  }
  return result;
}

PassResult PlanRenamePass(const PassContext& context, const std::string& folderPath,
                          std::string prefix, const std::string& fileType,
                          std::vector<FileStep>& steps) {
  std::size_t reached = 0;
  PassResult result = Attempt(folderPath, prefix, [&](const Folder& folder, PassCounts& counts) {
    PlannedSteps planned(folder, context, steps);
    const std::vector<std::string> names = folder.ListFiles();
    PassOver(planned, {names, 0, names.size()}, folderPath, prefix, fileType, {});
    counts = planned.counts;
    reached = planned.reached;
  });
  result.reached = reached;
  return result;
}

bool IsAllFiles(std::string_view fileType) {
  return fileType == kAllFiles;
}

namespace {

// "3 renamed, 1 passed over, 1 left: new name taken", leaving out what is zero but the first.
std::string CountsText(const PassCounts& c, bool allFilesMode, std::string_view left) {
  std::string text = CountText(c.renamed, allFilesMode ? "copied" : "renamed");
  const std::pair<std::size_t, std::string_view> others[] = {
      {c.passedOver, "passed over"},          {c.nameTaken, "new name taken"},
      {c.programFiles, "in use by Zantovel"}, {c.notFiles, "not files"},
      {c.nameTooLong, "new name too long"},   {c.nameReserved, "new name reserved by Windows"},
  };
  for (const auto& [count, what] : others) {
    if (count == 0) continue;
    const bool leftOver = what != "passed over";
    text += ", " + std::to_string(count) + " " +
            (leftOver ? std::string(left) + std::string(what) : std::string(what));
  }
  return text;
}

}  // namespace

std::string PassSummary(const PassResult& result, std::string_view fileType,
                        const std::string& logPath) {
  std::string text = result.message;
  if (result.end == PassEnd::PrefixRefused) return text;
  const bool allFiles = IsAllFiles(fileType);
  text += "\n\n" + CountsText(result.counts, allFiles, "left: ") + ".";
  if (result.reached == 0 && result.end == PassEnd::Done && !allFiles) {
    text += "\nNo file name ends with \"" + std::string(fileType) + "\".";
    if (LowerCase(fileType) != fileType)
      text += " Names are compared in lower case, so a type holding capitals matches nothing.";
  }
  if (!result.journalProblem.empty())
    text += "\nThis pass cannot be taken back: " + result.journalProblem + ".";
  text += "\nLog: " + logPath;
  return text;
}

std::string CountsLine(const PassResult& result, bool allFilesMode) {
  const PassCounts& c = result.counts;
  const std::string line = result.end == PassEnd::Done ? "Pass done: " : "Pass stopped: ";
  return line + CountsText(c, allFilesMode, "left, ");
}

}  // namespace zantovel
