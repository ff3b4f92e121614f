#pragma once

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/error.h"
#include "platform/files.h"

// The journal of a pass: what it did, or was about to do, to each file, so that the pass can be
// taken back. A text file, one record a line (docs/JOURNAL.md):
//
//   zantovel journal 2
//   folder<TAB>photos/
//   path<TAB>/data/photos
//   prefix<TAB>IMG##_
//   type<TAB>.jpg
//   time<TAB>07-12-2026 14:05:09
//   started<TAB>NANOSECONDS
//   temporaries<TAB>.zantovel-copy-1a2b3c4d
//   placeholders<TAB>0
//   rename<TAB>DEVICE<TAB>INODE<TAB>SIZE<TAB>MODIFIED<TAB>BORN<TAB>OLD<TAB>NEW
//   copy<TAB>DEVICE<TAB>INODE<TAB>SIZE<TAB>MODIFIED<TAB>BORN<TAB>OLD<TAB>NEW
//   copied<TAB>DEVICE<TAB>INODE<TAB>SIZE<TAB>MODIFIED<TAB>BORN<TAB>OLD<TAB>NEW
//   taken<TAB>OLD<TAB>NEW
//   ended<TAB>Pass done: 3 renamed, 1 passed over
//
// A rename or copy record is on disk before the step it tells of, with the file's identity,
// size and times then; "copied" gives a copy's own before the copy has its name; "taken" says
// that a step's new name was found taken, so nothing under it is the pass's; "ended" closes the
// journal of a pass that ended (done, stopped or failed) with its counts. Names are escaped as
// the command line prints them.
namespace zantovel {

enum class StepKind { Rename, Copy, Copied, Taken };

struct JournalStep {
  StepKind kind;
  Entry file;  // not for Taken
  std::string oldName;
  std::string newName;
};

struct Journal {
  std::string folder;  // as it was typed, for messages and the log
  std::string path;    // the folder's absolute path when the pass began
  std::string prefix, type, time;
  std::int64_t started = 0;   // when the pass began, in nanoseconds since 1970
  std::string temporaries;    // the stem of the pass's temporary names (PassTemporaryStem)
  bool placeholders = false;  // names may have been given over placeholders (Folder)
  std::vector<JournalStep> steps;
  std::size_t planned = 0;  // the rename and copy records, kept or not (JournalParser)
  std::string ended;        // how the pass ended, or empty for one killed or cut short
};

// The journal as bytes come in: every line is checked as it is completed, and memory follows
// the number of records, never the length of a line (none may be longer than a record with
// two of the longest names). A record cut short at the very end, at any byte (a kill or a power
// cut while it was written), is ignored: a record is on disk before its step starts. Anything
// else that is not what a pass writes refuses the whole journal.
class JournalParser {
 public:
  // keepSteps false: only the header, the count of planned steps and the end are kept, for a
  // list of the passes.
  explicit JournalParser(bool keepSteps = true) : keepSteps_(keepSteps) {}
  // Takes the next bytes; false, with the problem, as soon as the journal is damaged.
  bool Feed(std::string_view bytes);
  // The journal, once every byte has been fed; nothing, with the problem, when it is none.
  std::optional<Journal> Finish();
  const std::string& Problem() const { return problem_; }

 private:
  bool Line(std::string_view line);
  bool Record(const std::vector<std::string_view>& fields);
  bool HeaderLine(std::string_view name, std::string_view value);
  bool Damaged(std::string_view why);

  const bool keepSteps_;
  std::string partial_;
  std::size_t number_ = 0;  // lines completed
  int version_ = 0;
  std::vector<std::string> headerSeen_;
  struct Planned {
    std::size_t at;
    StepKind kind;
    std::string oldName;
  };
  std::unordered_map<std::string, Planned> planned_;  // by a planned step's new name
  Journal journal_;
  std::string problem_;
};

class JournalHistory;

// Writes a journal: records reach the file at each Write and the disk at each Flush. The file
// is made (a new one in history, with the header first) only at the first Write that has a
// record, so a pass that does nothing leaves no journal; it stays held by the process until
// Close, so that no undo and no other pass takes it meanwhile.
class JournalWriter {
 public:
  // A journal of history for a pass that began at started (milliseconds since 1970).
  JournalWriter(const JournalHistory& history, std::int64_t started, const Journal& header);
  void Add(const JournalStep& step);
  // Writes what was added. Throws PlatformError when it cannot.
  void Write();
  // Writes what was added and puts it on disk, unless a flush of the whole file system on
  // syncedDevice has just done so. Throws PlatformError when it cannot.
  void Flush(std::optional<std::uint64_t> syncedDevice = std::nullopt);
  // Closes the journal of a pass that ended, with its counts (ended): flushed and closed;
  // throws when that fails.
  void Close(std::string_view ended);
  bool Started() const { return begun_; }

 private:
  const JournalHistory& history_;
  const std::int64_t started_;
  AppendFile file_;
  std::string header_;
  std::string waiting_;
  bool begun_ = false;
  bool unflushed_ = false;
  bool closed_ = false;
};

// The journal at path, read whole through OwnFileReader. Throws PlatformError when there is
// none (NoPassError), it is damaged (FileError::Damaged), it is no file of the user's own, or,
// with held, another process holds it (a pass still running, or an undo). With held the reader
// stays open, and the journal held, as *held, until the caller drops it.
Journal ReadJournal(const std::string& path, std::optional<OwnFileReader>* held = nullptr);

// The journal's header, planned steps counted and its end, for a list of the passes: read as
// ReadJournal reads, keeping no step.
Journal ReadJournalSummary(const std::string& path);

// How far a pass has been taken back.
enum class TakenBack { No, InPart, Wholly };

// The journals of a program's passes, one file each in one folder, named by the time the pass
// began to the millisecond ("20261209-140509.123.journal"; a pass that begins in the same
// millisecond as another takes the next), so that names sort by time;
// beside each, once the pass is taken back, a note of how far (".taken-back"). The single
// journal an earlier version kept (legacy) counts as the oldest pass.
class JournalHistory {
 public:
  // Passes kept: the newest 100, none made more than 30 days before the day of a new one.
  static constexpr std::size_t kKept = 100;
  static constexpr int kKeptDays = 30;

  JournalHistory(std::string folder, std::string legacy)
      : folder_(std::move(folder)), legacy_(std::move(legacy)) {}
  const std::string& Folder() const { return folder_; }

  // Where the journal of a pass that begins at moment (milliseconds since 1970) goes.
  std::string JournalAt(std::int64_t moment) const;

  struct Pass {
    std::string id;    // the journal's name without ".journal"
    std::string path;  // the journal
  };
  // The passes, newest first. A folder not made yet holds none.
  std::vector<Pass> Passes() const;

  // How far the pass was taken back, and the undo's counts ("3 renamed back, ...").
  TakenBack TakenBackOf(const Pass& pass, std::string* counts = nullptr) const;
  // Notes that the pass was taken back, wholly or (an undo that was stopped) in part.
  void NoteTakenBack(const Pass& pass, TakenBack how, const std::string& counts) const;

  // Removes what kKept and kKeptDays do not keep, unless a pass or an undo holds it.
  void Prune(const std::tm& today) const;

 private:
  std::string NoteOf(const Pass& pass) const;

  std::string folder_;
  std::string legacy_;
};

// Where a program keeps its journals: beside its settings file, named like it with
// ".journals".
std::string JournalFolderOf(const std::string& settingsFile);

// "There is no pass left to take back" (FileError::NothingToUndo).
PlatformError NoPassError();

// Where a program keeps its journal: beside its settings file, named like it with ".journal".
std::string JournalFileOf(const std::string& settingsFile);

}  // namespace zantovel
