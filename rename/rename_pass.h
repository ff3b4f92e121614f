#pragma once

#include <atomic>
#include <optional>
#include <string>
#include <vector>

#include "rename/plan.h"
#include "rename/progress_listener.h"
#include "rename/report.h"
#include "store/journal.h"

namespace zantovel {

class ActivityLog;
class ProgramFiles;

// What a pass needs besides its three inputs: the log it writes every step to, the files it
// must leave alone whatever their names (the program and its settings file; the log is added
// by the pass itself, wherever the log is then), and optionally a listener told of its progress, a
// stop flag that another thread may set, and where to keep the journal that lets the pass be taken
// back.
struct PassContext {
  explicit PassContext(ActivityLog& passLog, std::vector<std::string> programFiles = {})
      : log(passLog), ownFiles(std::move(programFiles)) {}

  ActivityLog& log;
  std::vector<std::string> ownFiles;
  ProgressListener* progress = nullptr;
  const std::atomic<bool>* stop = nullptr;
  // The journals of the program's passes: a pass adds its own; undo takes one back.
  std::optional<JournalHistory> journals;
  std::string journalProblem;               // without journals: why the pass cannot be taken back
  std::vector<FileStep>* record = nullptr;  // given every file the pass reached, as it went
};

// The context of a pass or an undo of the program whose files are `files`: its log, the files
// it must leave alone and its journal. For a pass that changes files (makeFolders), the folder
// the journal (and by default the log) is kept in is made first; where it cannot be, the pass
// has no journal and says why, unless the log is to be kept there too: then that failure is
// thrown (PlatformError), with the system's reason.
PassContext ContextOf(ProgramFiles& files, bool makeFolders);

// One pass over the files directly inside folderPath. With fileType "*.*" every file is copied
// to prefix + name and kept; otherwise every file whose lower-cased name ends with fileType,
// is at most 20 characters long and does not begin with prefix is renamed to prefix + name in
// one step that leaves the file itself as it was. A "#" in the prefix asks for numbering (see
// NewFileName). Every step is a line in context.log; the pass returns once the folder's new
// names are on disk.
//
// The folder is listed once, before the first copy, so a pass never meets its own copies, and
// the pass is planned from that listing (Planner) a thousand names at a time; each batch is
// looked at, journalled and put on disk, then done (Executor). A file is never replaced: one
// whose new name is already taken, or too long for the system, is logged and left as it is,
// and so are the program's own files and a name that is no longer a file. When an operation
// fails, the pass stops there and says why; what was done before stays done. A prefix that
// cannot stand in a file name is refused before anything is done. What a killed pass's copies
// left behind is removed first. The pass's last log line gives its counts.
//
// With journals, the pass keeps its own, and every step is in it, on disk, before it is taken;
// passes that the history no longer keeps go first (JournalHistory::Prune). A journal
// that cannot be started (a folder the user may not write, or one a running pass holds) does
// not stop the pass: the result says why it cannot be taken back. One that fails later does
// stop it, since its later steps could not be taken back. With a stop flag, the pass stops
// before the next file or inside a copy, and logs that it stopped.
PassResult RenamePass(PassContext& context, const std::string& folderPath,
                      const std::string& prefix, const std::string& fileType);

// What RenamePass would do, file by file in its order and with its numbering, added to steps:
// the plan of the folder's listing as it is now. Touches no file and writes no log line. Its
// end is the one RenamePass would have where it fails before any file (a folder that cannot
// be opened, a prefix that is refused).
PassResult PlanRenamePass(const PassContext& context, const std::string& folderPath,
                          const std::string& prefix, const std::string& fileType,
                          std::vector<FileStep>& steps);

}  // namespace zantovel
