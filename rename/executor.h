#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "platform/files.h"
#include "rename/plan.h"
#include "rename/progress_listener.h"
#include "store/activity_log.h"

namespace zantovel {

class JournalWriter;

// Carries out a plan's steps on the folder, a batch at a time, writes each step to the log in
// the log's words, and records in each step what really happened to it. Nothing is decided
// again: a step that gives no new name is only logged, and a new name found taken when its
// step comes is left (and put in the journal at once).
//
// Copies are made in batches: each copy's content is written, what the copy is goes to the
// journal, then the whole batch is flushed to disk together and the copies named in order,
// which costs about one flush a batch instead of one a copy. Until its batch is named, a copy
// has no name, and every log line from the batch's first copy on waits with the copies, with
// the time of its step, so the log never tells of a copy that is not there. A batch is no
// larger than the folder allows copies to wait at once, and is named early when the process
// runs out of descriptors. The lines that close a file's steps wait for the next file's first
// line and go to the log in one write with it, so the log reads as if each were written at once.
class Executor {
 public:
  struct Options {
    std::string folderText;        // the folder as typed: the log's lines begin with it
    std::vector<FileId> ownFiles;  // the files to leave alone, whatever their names
    JournalWriter* journal = nullptr;
    ProgressListener* progress = nullptr;
    const std::atomic<bool>* stop = nullptr;  // may be set from any thread
    std::size_t listed = 0;                   // the names listed, for the progress
  };
  Executor(const Folder& folder, ActivityLog& log, Options options);

  // Looks at the file of each step that gives a new name: one that is no longer a file, or is
  // one of the program's own, is left (its outcome says so); the others are added to the
  // journal, with what they are now. One that cannot be looked at (gone since the listing)
  // has no record, and a journalled pass fails at its turn, having taken it neither way. False,
  // with nothing added, when a stop was asked for.
  bool Look(std::vector<FileStep>& batch);

  // The pass goes on without a journal (one that could not be started).
  void DropJournal() { journal_ = nullptr; }

  // Takes the batch's steps in order. Each step's outcome becomes what happened to it; a step
  // not taken (a stop, or a failure thrown as PlatformError) is NotReached. Returns false when
  // a stop was asked for: it is seen before each step and inside a copy, and copies not yet
  // named are then dropped, so nothing planned after the stop is done.
  bool Run(std::vector<FileStep>& batch);

  // Writes the log lines that still wait: after a failure, the steps done before it.
  void WriteWaitingLines();

 private:
  static constexpr std::size_t kNone = static_cast<std::size_t>(-1);
  struct Waiting {
    LogEntry entry;
    std::size_t copy;  // the copy whose outcome the line tells of, or kNone
  };

  bool Stopped() const { return stop_ != nullptr && stop_->load(); }
  Entry Lasting(Entry entry) const;
  void Log(std::initializer_list<std::string_view> lines);
  void LogFirst(std::string_view line);
  void WriteHeld();
  bool StartCopy(FileStep& step);
  void NameCopies();
  void DropCopies();
  void RecordTaken(const FileStep& step);

  const Folder& folder_;
  ActivityLog& log_;
  const std::string folderText_;
  const std::vector<FileId> ownFiles_;
  JournalWriter* journal_;
  ProgressListener* progress_;
  const std::atomic<bool>* stop_;
  const std::size_t listed_;
  const std::size_t batch_;  // how many copies may wait at once

  // Why the file of each step of the batch could not be looked at, where it could not: in a
  // journalled pass such a step is not taken, and the pass stops at its turn.
  std::vector<std::error_code> unseen_;
  std::vector<PendingCopy> copies_;
  std::vector<FileStep*> copySteps_;       // each copy's step
  std::vector<Waiting> waiting_;           // lines from the first waiting copy on
  std::vector<LogEntry> held_;             // closing lines that wait for the next file's first line
  std::unordered_set<std::string> names_;  // the new names of the waiting copies
  std::size_t awaited_ = kNone;            // the copy the step being logged waits for
};

}  // namespace zantovel
