#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "store/activity_log.h"

namespace zantovel {

// What a pass did, or would do, with one file it reached.
enum class FileOutcome {
  Renamed,
  PassedOver,
  NameTaken,
  ProgramFile,
  NotAFile,
  NameTooLong,
  NameReserved,  // the new name is one Windows keeps for a device
};
struct FileStep {
  std::string name;
  std::string newName;  // for Renamed, NameTaken, NameTooLong and NameReserved
  FileOutcome outcome;
  std::optional<Entry> file;  // what the file was when the pass looked at it
};

// Told of a pass's progress, from the thread the pass runs on.
class PassWatcher {
 public:
  virtual ~PassWatcher() = default;
  // Before each file the pass looks at: how many it has looked at, of how many, and the name.
  virtual void FileReached(std::size_t done, std::size_t total, const std::string& name) = 0;
  // While a copy is written: its bytes done, of its size.
  virtual void BytesCopied(std::uint64_t done, std::uint64_t total) = 0;
};

// What a pass needs besides its three inputs: the log it writes every step to, the files it
// must leave alone whatever their names (the program and its settings file; the log is added
// by the pass itself, wherever the log is then), and optionally a watcher, a stop flag that
// another thread may set, and where to keep the journal that lets the pass be taken back.
struct PassContext {
  explicit PassContext(ActivityLog& passLog, std::vector<std::string> programFiles = {})
      : log(passLog), ownFiles(std::move(programFiles)) {}

  ActivityLog& log;
  std::vector<std::string> ownFiles;
  PassWatcher* watcher = nullptr;
  const std::atomic<bool>* stop = nullptr;
  std::string journalPath;
  std::vector<FileStep>* record = nullptr;  // given every file the pass reached, as it ended
};

// How many files a pass reached, by what became of them.
struct PassCounts {
  std::size_t renamed = 0;  // renamed, or copied in the all-files mode
  std::size_t passedOver = 0;
  std::size_t nameTaken = 0;
  std::size_t programFiles = 0;
  std::size_t notFiles = 0;
  std::size_t nameTooLong = 0;
  std::size_t nameReserved = 0;
};

// How a pass ended.
enum class PassEnd {
  Done,
  PrefixRefused,  // before anything was done
  Failed,         // an operation failed; what was done before stays done
  Stopped,        // the stop flag was set; the file being worked on is done or untouched
};
struct PassResult {
  PassEnd end = PassEnd::Done;
  std::string message;  // "Done", "Stopped", or the sentence that says why the pass stopped
  PassCounts counts;
  std::size_t reached = 0;     // how many files matched the type and were looked at
  std::string journalProblem;  // why the pass cannot be taken back, when it cannot
  bool done() const { return end == PassEnd::Done; }
};

// One pass over the files directly inside folderPath. With fileType "*.*" every file is copied
// to prefix + name and kept; otherwise every file whose lower-cased name ends with fileType,
// is at most 20 characters long and does not begin with prefix is renamed to prefix + name in
// one step that leaves the file itself as it was. A "#" in the prefix asks for numbering (see
// NewFileName). Every step is a line in context.log; the pass returns once the folder's new
// names are on disk.
//
// A file is never replaced: one whose new name is already taken, or too long for the system,
// is logged and left as it is, and so are the program's own files and a name that is no longer
// a file (a folder or pipe put in its place since the listing). When an operation fails, the
// pass stops there and says why; what was done before stays done. A prefix that cannot stand
// in a file name is refused before anything is done. What a killed pass's copies left behind
// is removed first. The pass's last log line gives its counts.
//
// With a journal path, every step is in the journal, on disk, before it is taken; steps are
// planned and flushed a thousand at a time. A journal that cannot be started (a folder the
// user may not write) does not stop the pass: the result says why it cannot be taken back.
// One that fails later does stop it, since its later steps could not be taken back. With a stop
// flag, the pass stops between two files or inside a copy (which then leaves nothing), and logs
// that it stopped.
PassResult RenamePass(PassContext& context, const std::string& folderPath, std::string prefix,
                      const std::string& fileType);

// What RenamePass would do, file by file in its order and with its numbering, added to steps.
// Touches no file and writes no log line. Its end is the one RenamePass would have where it
// fails before any file (a folder that cannot be opened, a prefix that is refused).
PassResult PlanRenamePass(const PassContext& context, const std::string& folderPath,
                          std::string prefix, const std::string& fileType,
                          std::vector<FileStep>& steps);

// What a person reads after a pass, in the box or on the terminal: its first line as
// result.message ("Done", "Stopped" or the failure's sentence), then the counts ("3 renamed,
// 1 passed over, 1 left: new name taken"), why nothing may have matched (a type holding
// capitals matches nothing, since names are compared in lower case), why the pass cannot be
// taken back if it cannot, and where the log is.
std::string PassSummary(const PassResult& result, std::string_view fileType,
                        const std::string& logPath);

// The counts as the log's last line for a pass gives them: "Pass done: 3 renamed, 1 passed
// over, ..." (copied for the all-files mode), leaving out what is zero.
std::string CountsLine(const PassResult& result, bool allFilesMode);

// The parts of a pass that decide about names, on their own.

// Whether fileType selects the all-files mode.
bool IsAllFiles(std::string_view fileType);

// Typed mode: whether the lower-cased name ends with fileType (compared exactly).
bool TypeMatches(std::string_view name, std::string_view fileType);

// Typed mode: whether the name is passed over, because it begins with prefix or is longer
// than 20 characters.
bool IsSkipped(std::string_view name, std::string_view prefix);

// The new name for name. When prefix asks for numbering, every "#" of prefix becomes "0" (the
// change lasts) and the name is prefix + "1" + name; otherwise prefix + name. In the all-files
// mode a full-width number sign also asks for numbering, but only "#" is replaced.
std::string NewFileName(std::string& prefix, std::string_view name, bool allFilesMode);

}  // namespace zantovel
