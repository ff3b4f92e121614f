#pragma once

#include <string>
#include <vector>

#include "rename/rename_pass.h"

namespace zantovel {

// What taking back the last pass did, or would do, with one of its steps.
enum class UndoOutcome {
  RenamedBack,   // the file has its old name again
  CopyRemoved,   // the copy the pass made is gone
  NotDone,       // the step never happened (the pass stopped before it) or is already undone
  Changed,       // the file under the new name is not the one the pass left there: kept
  OldNameTaken,  // the old name belongs to another file now: kept under the new name
};

struct UndoStep {
  std::string newName;
  std::string oldName;
  UndoOutcome outcome;
};

struct UndoResult {
  PassEnd end = PassEnd::Done;  // Done, Stopped, or Failed (with the sentence)
  std::string message;
  std::string folder;           // the pass's folder, as it was typed
  std::string time;             // when the pass ran
  std::vector<UndoStep> steps;  // newest first
  std::size_t Count(UndoOutcome outcome) const;
};

// Takes back the pass recorded in the journal at context.journalPath, newest step first. A
// renamed file goes back only if the file under its new name is still the one the pass renamed
// (same identity, size and modification time: one changed since is kept) and its old name is
// free; a copy is removed only if it is unchanged since the pass (same
// identity, size and modification time). Nothing is ever replaced. Each step taken back is a
// line in the log ("Undo: ... renamed back to ...", "Undo: copy ... removed"), and the counts
// close them. Stops between two steps when context.stop is set. With dryRun, changes nothing
// and writes no log line. Undoing twice takes back nothing more.
UndoResult UndoLastPass(PassContext& context, bool dryRun);

// The counts of an undo: "3 renamed back, 1 copies removed, 2 left".
std::string UndoCountsText(const UndoResult& result);

}  // namespace zantovel
