#include "rename/rename_pass.h"

#include <algorithm>
#include <set>

#include "platform/app.h"
#include "platform/dialogs.h"
#include "platform/error.h"
#include "platform/files.h"
#include "store/activity_log.h"
#include "store/settings.h"
#include "util/text.h"

namespace zantovel {
namespace {

constexpr std::string_view kAllFiles = "*.*";
constexpr std::size_t kLongestName = 20;
constexpr char kPlaceholder = '#';
constexpr char kPlaceholderReplacement = '0';
constexpr std::string_view kNumber = "1";
// U+FF03, which a locale-aware, width-insensitive search takes for "#".
constexpr std::string_view kFullWidthPlaceholder = "\xEF\xBC\x83";

constexpr std::string_view kRenamingFile = "Renaming file: ";
constexpr std::string_view kTooLong = "Filename too long, cannot rename";
constexpr std::string_view kRenamed = " renamed";
constexpr std::string_view kDeleting = "Deleting original";
constexpr std::string_view kDeleted = "Original deleted";
constexpr std::string_view kTargetExists = "Target file exists, cannot rename";
constexpr std::string_view kProgramFile = "File in use by Zantovel, cannot rename";
constexpr std::string_view kDone = "Done";
constexpr std::string_view kBadPrefix =
    "The prefix may not contain \"/\" or a NUL character: it must name a file in the chosen "
    "folder.";

bool AsksForNumbering(std::string_view prefix, bool allFilesMode) {
  if (prefix.find(kPlaceholder) != std::string_view::npos) return true;
  return allFilesMode && prefix.find(kFullWidthPlaceholder) != std::string_view::npos;
}

// The files a pass must leave alone, whatever their names: the program, its settings and its
// log. Compared by identity, so no other name for them (a hard link) gets past.
std::vector<FileId> ProgramFiles() {
  std::vector<FileId> files;
  for (const std::string& path : {ExecutablePath(), SettingsFilePath(), LogPath()})
    if (const std::optional<FileId> id = IdentityOf(path)) files.push_back(*id);
  return files;
}

// What the pass does with the folder, apart from deciding: carried out by a real pass, or
// only noted by a plan. Both run the same loop, so a plan says exactly what a pass will do.
class PassSteps {
 public:
  explicit PassSteps(const Folder& folder) : folder_(folder), programFiles_(ProgramFiles()) {}
  virtual ~PassSteps() = default;

  bool IsProgramFile(const std::string& name) const {
    const std::optional<FileId> id = folder_.IdentityOf(name);
    return id && std::find(programFiles_.begin(), programFiles_.end(), *id) != programFiles_.end();
  }
  virtual void Log(std::initializer_list<std::string_view> lines) = 0;
  // Gives name the new name by a rename, or by a copy in the all-files mode.
  virtual NewName Give(const std::string& name, const std::string& newName, bool copy) = 0;
  virtual void Reached(const std::string& name, FileOutcome outcome,
                       const std::string& newName) = 0;

 protected:
  const Folder& folder_;

 private:
  const std::vector<FileId> programFiles_;
};

class RealSteps : public PassSteps {
 public:
  using PassSteps::PassSteps;
  void Log(std::initializer_list<std::string_view> lines) override { WriteLog(lines); }
  NewName Give(const std::string& name, const std::string& newName, bool copy) override {
    return copy ? folder_.CopyNoReplace(name, newName) : folder_.MoveNoReplace(name, newName);
  }
  void Reached(const std::string&, FileOutcome, const std::string&) override {}
};

// Follows the names the pass would make and remove, over the names the folder has now.
class PlannedSteps : public PassSteps {
 public:
  PlannedSteps(const Folder& folder, std::vector<FileStep>& steps)
      : PassSteps(folder), steps_(steps) {}
  void Log(std::initializer_list<std::string_view>) override {}
  NewName Give(const std::string& name, const std::string& newName, bool copy) override {
    const bool taken =
        made_.count(newName) > 0 || (removed_.count(newName) == 0 && folder_.IdentityOf(newName));
    if (taken) return NewName::Taken;
    made_.insert(newName);
    removed_.erase(newName);
    if (!copy) {
      made_.erase(name);
      removed_.insert(name);
    }
    return NewName::Made;
  }
  void Reached(const std::string& name, FileOutcome outcome, const std::string& newName) override {
    steps_.push_back({name, newName, outcome});
  }

 private:
  std::vector<FileStep>& steps_;
  std::set<std::string> made_, removed_;
};

void PassOver(PassSteps& steps, const std::vector<std::string>& names,
              const std::string& folderPath, std::string& prefix, const std::string& fileType) {
  const bool allFilesMode = fileType == kAllFiles;
  for (const std::string& name : names) {
    if (!allFilesMode && !TypeMatches(name, fileType)) continue;
    steps.Log({std::string(kRenamingFile) + folderPath + name});
    if (!allFilesMode && IsSkipped(name, prefix)) {
      steps.Log({kTooLong});
      steps.Reached(name, FileOutcome::PassedOver, {});
      continue;
    }
    if (steps.IsProgramFile(name)) {
      steps.Log({kProgramFile});
      steps.Reached(name, FileOutcome::ProgramFile, {});
      continue;
    }
    const std::string newName = NewFileName(prefix, name, allFilesMode);
    if (steps.Give(name, newName, allFilesMode) == NewName::Taken) {
      steps.Log({kTargetExists});
      steps.Reached(name, FileOutcome::NameTaken, newName);
      continue;
    }
    const std::string renamed = folderPath + name + std::string(kRenamed);
    // A rename removes the old name in the same step: the three lines tell of one moment, in
    // the log's usual words, and go to the log in one write.
    if (allFilesMode)
      steps.Log({renamed});
    else
      steps.Log({renamed, kDeleting, kDeleted});
    steps.Reached(name, FileOutcome::Renamed, newName);
  }
}

// Runs `work` on the opened folder; any refusal or failure becomes the result that says why.
template <typename Work>
PassResult Attempt(const std::string& folderPath, const std::string& prefix, Work work) {
  if (prefix.find_first_of(std::string_view("/\0", 2)) != std::string::npos)
    return {false, std::string(kBadPrefix), MsgIcon::Exclamation};
  try {
    const Folder folder(folderPath);
    work(folder);
  } catch (const PlatformError& error) {
    return {false, error.what(), MsgIcon::Critical};
  }
  return {true, std::string(kDone), MsgIcon::None};
}

}  // namespace

bool TypeMatches(std::string_view name, std::string_view fileType) {
  return RightChars(LowerCase(name), CharCount(fileType)) == fileType;
}

bool IsSkipped(std::string_view name, std::string_view prefix) {
  return LeftChars(name, CharCount(prefix)) == prefix || CharCount(name) > kLongestName;
}

std::string NewFileName(std::string& prefix, std::string_view name, bool allFilesMode) {
  if (!AsksForNumbering(prefix, allFilesMode)) return prefix + std::string(name);
  std::replace(prefix.begin(), prefix.end(), kPlaceholder, kPlaceholderReplacement);
  return prefix + std::string(kNumber) + std::string(name);
}

PassResult RenamePass(const std::string& folderPath, std::string prefix,
                      const std::string& fileType) {
  return Attempt(folderPath, prefix, [&](const Folder& folder) {
    // Listed once, before the first copy, so a pass never meets its own copies.
    const std::vector<std::string> names = folder.ListFiles();
    RealSteps steps(folder);
    PassOver(steps, names, folderPath, prefix, fileType);
    folder.RemoveLeftovers();
    folder.Flush();
  });
}

PassResult PlanRenamePass(const std::string& folderPath, std::string prefix,
                          const std::string& fileType, std::vector<FileStep>& steps) {
  return Attempt(folderPath, prefix, [&](const Folder& folder) {
    PlannedSteps planned(folder, steps);
    PassOver(planned, folder.ListFiles(), folderPath, prefix, fileType);
  });
}

void RunRenamePass(const std::string& folderPath, std::string prefix, const std::string& fileType) {
  const PassResult result = RenamePass(folderPath, std::move(prefix), fileType);
  MsgBox(result.message, result.icon, AppTitle());
}

}  // namespace zantovel
