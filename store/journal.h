#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/files.h"

// The journal of the last pass: what it did, or was about to do, to each file, so that the pass
// can be taken back. A text file, one record a line (docs/JOURNAL.md):
//
//   zantovel journal 1
//   folder<TAB>/data/photos/
//   prefix<TAB>IMG##_
//   type<TAB>.jpg
//   time<TAB>07-12-2026 14:05:09
//   rename<TAB>DEVICE<TAB>INODE<TAB>SIZE<TAB>MODIFIED<TAB>OLD<TAB>NEW
//   copy<TAB>DEVICE<TAB>INODE<TAB>SIZE<TAB>MODIFIED<TAB>OLD<TAB>NEW
//   made<TAB>DEVICE<TAB>INODE<TAB>SIZE<TAB>MODIFIED<TAB>OLD<TAB>NEW
//
// A rename or copy record is written, and put on disk, before the step it tells of, with the
// file's identity, size and modification time then; "made" follows a copy once it has its
// name, with the copy's own. Names are escaped as the command line prints them.
namespace zantovel {

enum class StepKind { Rename, Copy, Made };

struct JournalStep {
  StepKind kind;
  Entry file;
  std::string oldName;
  std::string newName;
};

struct Journal {
  std::string folder, prefix, type, time;
  std::vector<JournalStep> steps;
};

// Writes a journal: records, which reach the disk at each Flush. The journal starts (replacing
// an earlier one, with the header first) only at the first Flush that has a record, so a pass
// that does nothing leaves the last journal as it was.
class JournalWriter {
 public:
  JournalWriter(std::string path, const Journal& header);
  void Add(const JournalStep& step);
  // Writes what was added and puts it on disk. Throws PlatformError when it cannot.
  void Flush();
  bool Started() const { return started_; }

 private:
  std::string path_;
  AppendFile file_;
  std::string header_;
  std::string waiting_;
  bool started_ = false;
};

// The journal at path, or nothing (with problem saying why) when there is none or it is not one.
std::optional<Journal> ReadJournal(const std::string& path, std::string& problem);

// Where a program keeps its journal: beside its settings file, named like it with ".journal".
std::string JournalFileOf(const std::string& settingsFile);

}  // namespace zantovel
