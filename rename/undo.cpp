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

// Whether now may be the empty placeholder that a pass killed while it gave a name over one
// left (Folder::MayUsePlaceholders): an empty file made since the pass began.
bool LooksLikePlaceholder(const Entry& now, const Journal& journal) {
  return now.kind == EntryKind::File && now.size == 0 &&
         now.modified + kCoarsestClock >= journal.started;
}

}  // namespace

std::size_t UndoResult::Count(UndoOutcome outcome) const {
  return static_cast<std::size_t>(std::count_if(
      steps.begin(), steps.end(), [outcome](const UndoStep& s) { return s.outcome == outcome; }));
}

UndoResult UndoLastPass(PassContext& context, bool dryRun) {
  UndoResult result;
  std::string problem;
  // Held while the undo runs, so that no other undo, and no pass, takes the journal meanwhile.
  std::optional<OwnFileReader> held;
  const std::optional<Journal> journal =
      ReadJournal(context.journalPath, problem, dryRun ? nullptr : &held);
  if (!journal) {
    result.end = PassEnd::Failed;
    result.message = problem;
    return result;
  }
  result.folder = journal->folder;
  result.time = journal->time;
  // What each copy was before it was named, and the names the pass found taken.
  std::unordered_map<std::string, const JournalStep*> copied;
  std::unordered_set<std::string> taken;
  for (const JournalStep& step : journal->steps) {
    if (step.kind == StepKind::Copied) copied[step.newName] = &step;
    if (step.kind == StepKind::Taken) taken.insert(step.newName);
  }
  const std::string& typed = journal->folder;
  try {
    // The folder the pass resolved when it began, wherever undo is started from.
    const Folder folder(journal->path);
    // The latest step, in the pass's order, that the pass had not done, as far as the loop has
    // come: a placeholder can only stand at the step after the last one done.
    struct Frontier {
      const JournalStep* step = nullptr;
      bool placeholder = false;
    } frontier;
    bool frontierPassed = false;
    const auto removePlaceholder = [&] {
      if (frontier.step == nullptr || !frontier.placeholder || dryRun) return;
      folder.Remove(frontier.step->newName);
      context.log.Write({"Undo: placeholder " + typed + frontier.step->newName + " removed"});
    };
    for (auto step = journal->steps.rbegin(); step != journal->steps.rend(); ++step) {
      if (step->kind == StepKind::Copied || step->kind == StepKind::Taken) continue;
      if (context.stop != nullptr && context.stop->load()) {
        result.end = PassEnd::Stopped;
        break;
      }
      const std::optional<Entry> now = folder.EntryOf(step->newName);
      UndoOutcome outcome = UndoOutcome::NotDone;
      bool atNewName = false;
      if (taken.count(step->newName) > 0) {
        // What stands under the name is another program's.
      } else if (step->kind == StepKind::Rename) {
        const std::optional<Entry> old = folder.EntryOf(step->oldName);
        // The file the pass renamed, unchanged: one changed since is kept.
        atNewName = now && SameFile(*now, step->file);
        // Both names for one file: a rename by a hard link that a kill cut before the old name
        // went (FUSE without a rename that refuses to replace). The new name alone goes.
        const bool bothNames = atNewName && old && old->id == now->id;
        if (bothNames) {
          outcome = UndoOutcome::RenamedBack;
          if (!dryRun) {
            folder.Remove(step->newName);
            context.log.Write(
                {"Undo: " + typed + step->newName + " renamed back to " + step->oldName});
          }
        } else if (atNewName) {
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
        // A copy is removed only when it is the very file the journal says the pass made,
        // unchanged; never on its size and time alone.
        const auto made = copied.find(step->newName);
        if (made != copied.end()) {
          atNewName = SameFile(*now, made->second->file);
          if (atNewName) {
            outcome = UndoOutcome::CopyRemoved;
            if (!dryRun) {
              folder.Remove(step->newName);
              context.log.Write({"Undo: copy " + typed + step->newName + " removed"});
            }
          } else if (made->second->file.id != FileId{} && now->id == made->second->file.id) {
            outcome = UndoOutcome::Changed;
          }
        }
      }
      if (journal->placeholders && !frontierPassed && taken.count(step->newName) == 0) {
        if (atNewName) {
          removePlaceholder();
          frontierPassed = true;
        } else {
          frontier = {&*step, outcome == UndoOutcome::NotDone && now &&
                                  LooksLikePlaceholder(*now, *journal)};
        }
      }
      result.steps.push_back({step->newName, step->oldName, outcome});
    }
    if (journal->placeholders && !frontierPassed && result.end == PassEnd::Done)
      removePlaceholder();  // the pass did none of its steps
    if (!dryRun) {
      // What a pass killed while it wrote its copies left under temporary names.
      if (!journal->temporaries.empty()) folder.RemoveTemporariesOf(journal->temporaries);
      folder.Flush();
    }
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
    } catch (const PlatformError& error) {
      if (result.end != PassEnd::Failed) {
        result.end = PassEnd::Failed;
        result.message = error.what();
      }
    }
  }
  return result;
}

}  // namespace zantovel
