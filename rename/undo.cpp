#include "rename/undo.h"

#include <algorithm>
#include <map>

#include "platform/error.h"
#include "store/journal.h"

namespace zantovel {
namespace {

bool SameFile(const Entry& now, const Entry& then) {
  return now.id == then.id && now.size == then.size && now.modified == then.modified;
}

// A copy the pass made is unchanged when it is still the file the pass named (where the journal
// says which) with the size and time it was given; copies keep their original's time.
bool UnchangedCopy(const Entry& now, const JournalStep& copy, const JournalStep* made) {
  if (now.kind != EntryKind::File && now.kind != EntryKind::Link) return false;
  if (made != nullptr) return SameFile(now, made->file);
  return now.id != copy.file.id && now.size == copy.file.size && now.modified == copy.file.modified;
}

}  // namespace

std::size_t UndoResult::Count(UndoOutcome outcome) const {
  return static_cast<std::size_t>(std::count_if(
      steps.begin(), steps.end(), [outcome](const UndoStep& s) { return s.outcome == outcome; }));
}

UndoResult UndoLastPass(PassContext& context, bool dryRun) {
  UndoResult result;
  std::string problem;
  const std::optional<Journal> journal = ReadJournal(context.journalPath, problem);
  if (!journal) {
    result.end = PassEnd::Failed;
    result.message = problem;
    return result;
  }
  result.folder = journal->folder;
  result.time = journal->time;
  std::map<std::string, const JournalStep*> made;
  for (const JournalStep& step : journal->steps)
    if (step.kind == StepKind::Made) made[step.newName] = &step;
  const std::string& typed = journal->folder;
  try {
    const Folder folder(typed);
    for (auto step = journal->steps.rbegin(); step != journal->steps.rend(); ++step) {
      if (step->kind == StepKind::Made) continue;
      if (context.stop != nullptr && context.stop->load()) {
        result.end = PassEnd::Stopped;
        break;
      }
      const std::optional<Entry> now = folder.EntryOf(step->newName);
      UndoOutcome outcome = UndoOutcome::NotDone;
      if (step->kind == StepKind::Rename) {
        const std::optional<Entry> old = folder.EntryOf(step->oldName);
        // The file the pass renamed: its identity, and its size and time, so that a new file
        // that was given a freed inode number is not taken for it. One changed since is kept.
        if (now && SameFile(*now, step->file)) {
          outcome = old ? UndoOutcome::OldNameTaken
                    : dryRun || folder.MoveNoReplace(step->newName, step->oldName) == NewName::Made
                        ? UndoOutcome::RenamedBack
                        : UndoOutcome::OldNameTaken;
          if (outcome == UndoOutcome::RenamedBack && !dryRun)
            context.log.Write(
                {"Undo: " + typed + step->newName + " renamed back to " + step->oldName});
        } else if (!(old && SameFile(*old, step->file))) {
          outcome = UndoOutcome::Changed;
        }
      } else if (now) {
        const auto found = made.find(step->newName);
        outcome = UnchangedCopy(*now, *step, found == made.end() ? nullptr : found->second)
                      ? UndoOutcome::CopyRemoved
                      : UndoOutcome::Changed;
        if (outcome == UndoOutcome::CopyRemoved && !dryRun) {
          folder.Remove(step->newName);
          context.log.Write({"Undo: copy " + typed + step->newName + " removed"});
        }
      }
      result.steps.push_back({step->newName, step->oldName, outcome});
    }
    if (!dryRun) folder.Flush();
  } catch (const PlatformError& error) {
    result.end = PassEnd::Failed;
    result.message = error.what();
  }
  if (result.end != PassEnd::Failed)
    result.message = result.end == PassEnd::Done ? "Done" : "Stopped";
  if (!dryRun && !result.steps.empty()) {
    try {
      context.log.Write(
          {std::string(result.end == PassEnd::Done ? "Undo done: " : "Undo stopped: ") +
           std::to_string(result.Count(UndoOutcome::RenamedBack)) + " renamed back, " +
           std::to_string(result.Count(UndoOutcome::CopyRemoved)) + " copies removed, " +
           std::to_string(result.Count(UndoOutcome::Changed) +
                          result.Count(UndoOutcome::OldNameTaken)) +
           " left"});
    } catch (const PlatformError&) {
    }
  }
  return result;
}

}  // namespace zantovel
