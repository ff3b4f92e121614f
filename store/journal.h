#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/error.h"
#include "platform/files.h"

// The journal of the last pass: what it did, or was about to do, to each file, so that the pass
// can be taken back. A text file, one record a line (docs/JOURNAL.md):
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
//
// A rename or copy record is on disk before the step it tells of, with the file's identity,
// size and times then; "copied" gives a copy's own before the copy has its name; "taken" says
// that a step's new name was found taken, so nothing under it is the pass's. Names are escaped
// as the command line prints them.
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
};

// The journal as bytes come in: every line is checked as it is completed, and memory follows
// the number of records, never the length of a line (none may be longer than a record with
// two of the longest names). A record cut short at the very end, at any byte (a kill or a power
// cut while it was written), is ignored: a record is on disk before its step starts. Anything
// else that is not what a pass writes refuses the whole journal.
class JournalParser {
 public:
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

  std::string partial_;
  std::size_t number_ = 0;  // lines completed
  int version_ = 0;
  std::vector<std::string> headerSeen_;
  std::unordered_map<std::string, std::size_t> planned_;  // a step's new name: where it stands
  Journal journal_;
  std::string problem_;
};

// Writes a journal: records reach the file at each Write and the disk at each Flush. The file
// is taken (emptied, with the header first) only at the first Write that has a record, so a
// pass that does nothing leaves the last journal as it was; it stays held by the process until
// Close, so that no undo and no other pass takes it meanwhile.
class JournalWriter {
 public:
  JournalWriter(std::string path, const Journal& header);
  void Add(const JournalStep& step);
  // Writes what was added. Throws PlatformError when it cannot.
  void Write();
  // Writes what was added and puts it on disk, unless a flush of the whole file system on
  // syncedDevice has just done so. Throws PlatformError when it cannot.
  void Flush(std::optional<std::uint64_t> syncedDevice = std::nullopt);
  // Flushes and closes the file; throws when that fails.
  void Close();
  bool Started() const { return started_; }

 private:
  std::string path_;
  AppendFile file_;
  std::string header_;
  std::string waiting_;
  bool started_ = false;
  bool unflushed_ = false;
};

// The journal at path, read whole through OwnFileReader. Throws PlatformError when there is
// none (NoPassError), it is damaged (FileError::Damaged), it is no file of the user's own, or,
// with held, another process holds it (a pass still running, or an undo). With held the reader
// stays open, and the journal held, as *held, until the caller drops it.
Journal ReadJournal(const std::string& path, std::optional<OwnFileReader>* held = nullptr);

// "There is no pass to take back" (FileError::NothingToUndo).
PlatformError NoPassError();

// Where a program keeps its journal: beside its settings file, named like it with ".journal".
std::string JournalFileOf(const std::string& settingsFile);

}  // namespace zantovel
