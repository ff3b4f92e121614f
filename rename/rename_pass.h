#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/dialogs.h"

namespace zantovel {

// One pass over the files directly inside folderPath. With fileType "*.*" every file is copied
// to prefix + name and kept; otherwise every file whose lower-cased name ends with fileType,
// is at most 20 characters long and does not begin with prefix is renamed to prefix + name in
// one step that leaves the file itself as it was. A "#" in the prefix asks for numbering (see
// NewFileName). Every step is a line in the log; the pass ends with the "Done" box, once the
// folder's new names are on disk.
//
// A file whose new name is already taken is never replaced: it is logged and left as it is, and
// so are the program's own executable, settings file and log. When an operation fails, the pass
// stops there, says why in a box, and returns; what was done before stays done. A prefix
// holding "/" or a NUL character is refused before anything is done.
void RunRenamePass(const std::string& folderPath, std::string prefix, const std::string& fileType);

// How a pass ended: "Done", or the sentence that says why it stopped, with the box's icon.
struct PassResult {
  bool done;
  std::string message;
  MsgIcon icon;
};

// RunRenamePass without the box: the same pass, whose end is returned instead of shown.
PassResult RenamePass(const std::string& folderPath, std::string prefix,
                      const std::string& fileType);

// What a pass did, or would do, with one file it reached.
enum class FileOutcome { Renamed, PassedOver, NameTaken, ProgramFile };
struct FileStep {
  std::string name;
  std::string newName;  // for Renamed and NameTaken
  FileOutcome outcome;
};

// What RenamePass would do, file by file in its order and with its numbering, added to steps.
// Touches no file and writes no log line. Its end is the one RenamePass would have where it
// fails before any file (a folder that cannot be opened, a prefix that is refused).
PassResult PlanRenamePass(const std::string& folderPath, std::string prefix,
                          const std::string& fileType, std::vector<FileStep>& steps);

// The parts of a pass that decide about names, on their own.

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
