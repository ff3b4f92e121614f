#include "rename/undo.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

#include "platform/error.h"
#include "store/activity_log.h"
#include "store/journal.h"

namespace zantovel {
namespace {

// FAT keeps modification times to two seconds.
constexpr std::int64_t kCoarsestClock = 2'000'000'000;

// Whether now is the file then was: the same identity, size and modification time, and, where
// the system keeps them, the same birth time, so that a file made later under a number the
// system freed and gave out again is told apart. A journal of a file system whose numbers do
// not last (Folder::IdentitiesLast: FUSE) holds none, and there size and time must do; such a
// driver may also tell a time to the nanosecond while the kernel holds the file and to its
// disk's two seconds later, so the time is compared to that.
bool SameFile(const Entry& now, const Entry& then) {
  if (now.kind == EntryKind::Other || now.size != then.size) return false;
  if (then.id == FileId{})
    return now.modified > then.modified - kCoarsestClock &&
           now.modified < then.modified + kCoarsestClock;
  return now.id == then.id && now.modified == then.modified &&
         (now.born == 0 || then.born == 0 || now.born == then.born);
}

// Takes back the steps of one journal in its folder, newest first, each only as far as it can
// prove the files are the pass's.
class Undoer {
 public:
  Undoer(const Journal& journal, const Folder& folder, ActivityLog& log, bool dryRun)
      : journal_(journal), folder_(folder), log_(log), dryRun_(dryRun) {
    for (const JournalStep& step : journal.steps) {
      if (step.kind == StepKind::Copied) copied_[step.newName] = &step;
      if (step.kind == StepKind::Taken) taken_.insert(step.oldName + '\0' + step.newName);
    }
  }

  // One step taken back, or left with the reason.
  UndoOutcome TakeBack(const JournalStep& step) {
    const std::optional<Entry> now = folder_.Look(step.newName);
    bool atNewName = false;
    UndoOutcome outcome = UndoOutcome::NotDone;
    // A name found taken when the step came holds another program's file.
    if (taken_.count(step.oldName + '\0' + step.newName) == 0)
      outcome = step.kind == StepKind::Rename ? RenameBack(step, now, atNewName)
                                              : RemoveCopy(step, now, atNewName);
    if (journal_.placeholders) Passing(step, now, outcome, atNewName);
    return outcome;
  }

  // After the last step: the placeholder at the frontier, if the loop came to the first step.
  void Finish() {
    if (journal_.placeholders && !frontierPassed_) RemovePlaceholder();
  }

 private:
  UndoOutcome RenameBack(const JournalStep& step, const std::optional<Entry>& now,
                         bool& atNewName) {
    const std::optional<Entry> old = folder_.Look(step.oldName);
    // The file the pass renamed, unchanged: one changed since is kept.
    atNewName = now && SameFile(*now, step.file);
    if (!atNewName) {
      if (old && SameFile(*old, step.file)) return UndoOutcome::NotDone;
      return now ? UndoOutcome::Changed : UndoOutcome::Gone;
    }
    // Both names for one file: a rename by a hard link that a kill cut before the old name
    // went (FUSE without a rename that refuses to replace). The new name alone goes.
    if (old && old->id == now->id) {
      if (!dryRun_) folder_.Remove(step.newName);
    } else if (old) {
      return UndoOutcome::OldNameTaken;
    } else if (!dryRun_ && folder_.MoveNoReplace(step.newName, step.oldName) == NewName::Taken) {
      return UndoOutcome::OldNameTaken;
    }
    Log("Undo: " + journal_.folder + step.newName + " renamed back to " + step.oldName);
    return UndoOutcome::RenamedBack;
  }

  // A copy is removed only when it is the very file the journal says the pass made, unchanged;
  // never on its size and time alone.
  UndoOutcome RemoveCopy(const JournalStep& step, const std::optional<Entry>& now,
                         bool& atNewName) {
    const auto made = copied_.find(step.newName);
    if (!now || made == copied_.end()) return UndoOutcome::NotDone;
    atNewName = SameFile(*now, made->second->file);
    if (!atNewName)
      return made->second->file.id != FileId{} && now->id == made->second->file.id
                 ? UndoOutcome::Changed
                 : UndoOutcome::NotDone;
    if (!dryRun_) folder_.Remove(step.newName);
    Log("Undo: copy " + journal_.folder + step.newName + " removed");
    return UndoOutcome::CopyRemoved;
  }

  // Where a pass gave names by way of placeholders, a kill may have left one: an empty file
  // made since the pass began, at the one step where it can stand, the first after the last
  // one the pass had done. The loop goes newest first, so that step is the one seen last
  // before a step done.
  void Passing(const JournalStep& step, const std::optional<Entry>& now, UndoOutcome outcome,
               bool atNewName) {
    if (frontierPassed_ || taken_.count(step.oldName + '\0' + step.newName) > 0) return;
    if (atNewName) {
      RemovePlaceholder();
      frontierPassed_ = true;
      return;
    }
    frontier_ = &step;
    placeholder_ = outcome == UndoOutcome::NotDone && now && now->kind == EntryKind::File &&
                   now->size == 0 && now->modified + kCoarsestClock >= journal_.started;
  }

  void RemovePlaceholder() {
    if (frontier_ == nullptr || !placeholder_) return;
    if (!dryRun_) folder_.Remove(frontier_->newName);
    Log("Undo: placeholder " + journal_.folder + frontier_->newName + " removed");
  }

  void Log(const std::string& line) {
    if (!dryRun_) log_.Write({line});
  }

  const Journal& journal_;
  const Folder& folder_;
  ActivityLog& log_;
  const bool dryRun_;
  std::unordered_map<std::string, const JournalStep*> copied_;  // what each copy was
  std::unordered_set<std::string> taken_;                       // old and new name, by a NUL
  const JournalStep* frontier_ = nullptr;
  bool placeholder_ = false;  // the frontier's new name holds what may be a placeholder
  bool frontierPassed_ = false;
};

}  // namespace

std::size_t UndoResult::Count(UndoOutcome outcome) const {
  return static_cast<std::size_t>(std::count_if(
      steps.begin(), steps.end(), [outcome](const UndoStep& s) { return s.outcome == outcome; }));
}

std::size_t UndoResult::Left() const {
  return static_cast<std::size_t>(std::count_if(
      steps.begin(), steps.end(), [](const UndoStep& s) { return IsLeft(s.outcome); }));
}

std::string UndoCountsText(const UndoResult& result) {
  return std::to_string(result.Count(UndoOutcome::RenamedBack)) + " renamed back, " +
         std::to_string(result.Count(UndoOutcome::CopyRemoved)) + " copies removed, " +
         std::to_string(result.Left()) + " left";
}

namespace {

// The pass id names, or with an empty id the newest not yet taken back wholly, read; a journal
// that tells of no step (a pass cut before its first) is passed over.
JournalHistory::Pass ChosenPass(const JournalHistory& journals, const std::string& id,
                                std::optional<Journal>& journal,
                                std::optional<OwnFileReader>* held) {
  for (const JournalHistory::Pass& pass : journals.Passes()) {
    if (!id.empty() && pass.id != id) continue;
    if (journals.TakenBackOf(pass) == TakenBack::Wholly) {
      if (id.empty()) continue;
      throw PlatformError("The pass " + id + " was taken back already",
                          MakeError(FileError::NothingToUndo));
    }
    try {
      journal = ReadJournal(pass.path, held);
      return pass;
    } catch (const PlatformError& error) {
      if (error.code() != MakeError(FileError::NothingToUndo) || !id.empty()) throw;
    }
  }
  if (!id.empty())
    throw PlatformError("There is no pass " + id + " to take back",
                        MakeError(FileError::NothingToUndo));
  throw NoPassError();
}

// Every step of the journal taken back, newest first, as far as a stop lets it go.
void TakeBackSteps(const Journal& journal, PassContext& context, bool dryRun, UndoResult& result) {
  // The folder the pass resolved when it began, wherever undo is started from.
  const Folder folder(journal.path);
  Undoer undoer(journal, folder, context.log, dryRun);
  const std::size_t total = journal.planned;
  std::size_t done = 0;
  for (auto step = journal.steps.rbegin(); step != journal.steps.rend(); ++step) {
    if (step->kind == StepKind::Copied || step->kind == StepKind::Taken) continue;
    if (context.stop != nullptr && context.stop->load()) {
      result.end = PassEnd::Stopped;
      break;
    }
    if (context.progress != nullptr) context.progress->FileReached(done++, total, step->newName);
    result.steps.push_back({step->newName, step->oldName, undoer.TakeBack(*step)});
  }
  if (result.end == PassEnd::Done) undoer.Finish();
  if (dryRun) return;
  // What a pass killed while it wrote its copies left under temporary names.
  if (!journal.temporaries.empty()) folder.RemoveTemporariesOf(journal.temporaries);
  folder.Flush();
}

}  // namespace

UndoResult UndoPass(PassContext& context, const std::string& id, bool dryRun) {
  UndoResult result;
  // Held while the undo runs, so that no other undo, and no pass, takes the journal meanwhile.
  std::optional<OwnFileReader> held;
  std::optional<Journal> journal;
  std::optional<JournalHistory::Pass> pass;
  try {
    if (!context.journals) throw NoPassError();
    pass = ChosenPass(*context.journals, id, journal, dryRun ? nullptr : &held);
  } catch (const PlatformError& error) {
    result.end = PassEnd::Failed;
    result.message = error.what();
    result.nothingLeft = error.code() == MakeError(FileError::NothingToUndo);
    return result;
  }
  result.id = pass->id;
  result.folder = journal->folder;
  result.prefix = journal->prefix;
  result.type = journal->type;
  result.time = journal->time;
  try {
    TakeBackSteps(*journal, context, dryRun, result);
  } catch (const PlatformError& error) {
    result.end = PassEnd::Failed;
    result.message = error.what();
  }
  if (result.end != PassEnd::Failed)
    result.message = result.end == PassEnd::Done ? "Done" : "Stopped";
  if (dryRun) return result;
  try {
    if (!result.steps.empty())
      context.log.Write({(result.end == PassEnd::Done ? "Undo done: " : "Undo stopped: ") +
                         UndoCountsText(result)});
    // What is left to take back stays for the next undo: all of it, when nothing was.
    const bool any =
        result.Count(UndoOutcome::RenamedBack) + result.Count(UndoOutcome::CopyRemoved) > 0;
    if (result.end == PassEnd::Done || any)
      context.journals->NoteTakenBack(
          *pass, result.end == PassEnd::Done ? TakenBack::Wholly : TakenBack::InPart,
          UndoCountsText(result));
  } catch (const PlatformError& error) {
    if (result.end != PassEnd::Failed) {
      result.end = PassEnd::Failed;
      result.message = error.what();
    }
  }
  return result;
}

}  // namespace zantovel
