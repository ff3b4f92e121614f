#include "rename/rename_pass.h"

#include <algorithm>

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

void Log(std::string_view a, std::string_view b = {}, std::string_view c = {}) {
  std::string message;
  message.reserve(a.size() + b.size() + c.size());
  message.append(a).append(b).append(c);
  WriteLog(message);
}

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

void RenameFiles(const std::string& folderPath, std::string& prefix, const std::string& fileType) {
  const Folder folder(folderPath);
  const bool allFilesMode = fileType == kAllFiles;
  // Listed once, before the first copy, so a pass never meets its own copies.
  const std::vector<std::string> names = folder.ListFiles();
  const std::vector<FileId> programFiles = ProgramFiles();
  for (const std::string& name : names) {
    if (!allFilesMode && !TypeMatches(name, fileType)) continue;
    Log(kRenamingFile, folderPath, name);
    if (!allFilesMode && IsSkipped(name, prefix)) {
      Log(kTooLong);
      continue;
    }
    const std::optional<FileId> id = folder.IdentityOf(name);
    if (id && std::find(programFiles.begin(), programFiles.end(), *id) != programFiles.end()) {
      Log(kProgramFile);
      continue;
    }
    const std::string newName = NewFileName(prefix, name, allFilesMode);
    const NewName made =
        allFilesMode ? folder.CopyNoReplace(name, newName) : folder.MoveNoReplace(name, newName);
    if (made == NewName::Taken) {
      Log(kTargetExists);
      continue;
    }
    const std::string renamed = folderPath + name + std::string(kRenamed);
    if (allFilesMode) {
      WriteLog(renamed);
      continue;
    }
    // The rename removed the old name in the same step: the three lines tell of one moment,
    // in the log's usual words, and go to the log in one write.
    WriteLog({renamed, kDeleting, kDeleted});
  }
  folder.Flush();
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

void RunRenamePass(const std::string& folderPath, std::string prefix, const std::string& fileType) {
  if (prefix.find_first_of(std::string_view("/\0", 2)) != std::string::npos) {
    MsgBox(std::string(kBadPrefix), MsgIcon::Exclamation, AppTitle());
    return;
  }
  try {
    RenameFiles(folderPath, prefix, fileType);
  } catch (const PlatformError& error) {
    MsgBox(error.what(), MsgIcon::Critical, AppTitle());
    return;
  }
  MsgBox(std::string(kDone), MsgIcon::None, AppTitle());
}

}  // namespace zantovel
