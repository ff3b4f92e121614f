#pragma once

#include <string>
#include <vector>

#include "rename/rename_pass.h"

namespace zantovel {

// What taking back a pass did, or would do, with one of its steps.
enum class UndoOutcome {
  RenamedBack,   // the file has its old name again
  CopyRemoved,   // the copy the pass made is gone
  NotDone,       // the step never happened (the pass stopped before it) or is already undone
  Changed,       // the file under the new name is not the one the pass left there: kept
  Gone,          // nothing is under the new name, nor the pass's file under the old one
  OldNameTaken,  // the old name belongs to another file now: kept under the new name
};

// Whether the outcome leaves a file the pass changed as it is.
inline bool IsLeft(UndoOutcome outcome) {
  return outcome == UndoOutcome::Changed || outcome == UndoOutcome::Gone ||
         outcome == UndoOutcome::OldNameTaken;
}

struct UndoStep {
  std::string newName;
  std::string oldName;
  UndoOutcome outcome;
};

struct UndoResult {
  PassEnd end = PassEnd::Done;  // Done, Stopped, or Failed (with the sentence)
  std::string message;
  std::string id;                  // the pass taken back (JournalHistory)
  std::string folder;              // the pass's folder, as it was typed
  std::string prefix, type, time;  // its prefix and type, and when it ran
  std::vector<UndoStep> steps;     // newest first
  bool nothingLeft = false;        // there was no pass left to take back
  std::size_t Count(UndoOutcome outcome) const;
  std::size_t Left() const;  // the steps IsLeft
};

// Takes back the pass named id of context.journals, or with an empty id the newest one not yet
// taken back wholly, newest step first. A renamed file goes back only if the file under its
// new name is still the one the pass renamed (same identity, size and times: one changed since
// is kept) and its old name is free; a copy is removed only if it is the one the pass made,
// unchanged. Nothing is ever replaced. Each step taken back is a line in the log ("Undo: ...
// renamed back to ...", "Undo: copy ... removed"), and the counts close them; the history
// notes the pass taken back, wholly, or in part when the undo was stopped or failed midway (it
// is then the one the next undo goes on with). A pass taken back wholly is not taken back again.
// Stops between two steps when context.stop is set, and tells context.progress of each step.
// With dryRun, changes nothing and writes no log line.
UndoResult UndoPass(PassContext& context, const std::string& id, bool dryRun);

// The counts of an undo: "3 renamed back, 1 copies removed, 2 left".
std::string UndoCountsText(const UndoResult& result);

}  // namespace zantovel
