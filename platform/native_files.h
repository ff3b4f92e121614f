#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "platform/files.h"

// The primitives of the file code, one set per system (platform/linux/native_files_linux.cpp,
// platform/win32/native_files_win32.cpp). Each does one thing and answers with an error code;
// what a failure means, what a temporary is called and what a sentence says are decided in
// files.cpp, once for both.
namespace zantovel::native {

using Handle = std::intptr_t;
inline constexpr Handle kNoHandle = -1;

// An open folder and what the system said of it when it was opened.
struct FolderState {
  Handle handle = kNoHandle;
  std::string path;           // absolute, without a trailing separator but at the root
  bool syncsWhole = false;    // one sync of the file system puts every file's data on disk
  bool unnamedFiles = false;  // a copy can be written without a name and linked in later
  bool sharedMount = false;   // other machines may write here: a lock tells nothing of them
  std::size_t copiesAtOnce = 1;
  CopyWatch watch;
};

// A copy being written: an unnamed file, or one under a temporary name.
struct CopyState {
  Handle file = kNoHandle;
  std::string temporary;  // empty for an unnamed copy
  bool flushed = false;
  // Windows: the source's attributes, which the copy takes when it is named. Until then it is
  // hidden and writable, so that it can be flushed and, when abandoned, removed.
  std::uint32_t attributes = 0;
};

std::error_code OpenFolder(const std::string& text, FolderState& folder);
void CloseFolder(FolderState& folder);

// The names of regular files and links (not links to folders) in the folder, in any order.
std::error_code ListNames(const FolderState& folder, std::vector<std::string>& names);

std::optional<Entry> EntryAt(const FolderState& folder, const std::string& name);

// Renames from to `to` in the folder; taken is set, nothing changed, when `to` exists.
std::error_code RenameNoReplace(const FolderState& folder, const std::string& from,
                                const std::string& to, bool& taken);

// Writes a copy of the regular file `name`: unnamed where the folder allows it, otherwise
// under `temporary`, which must be new (errc::file_exists otherwise). A symbolic link is
// copied to newName at once instead: linkCopied is set, with taken when newName existed.
std::error_code WriteCopy(const FolderState& folder, const std::string& name,
                          const std::string& temporary, const std::string& newName, CopyState& copy,
                          bool& linkCopied, bool& taken);

// Puts the content of the copies on disk, where one call can do it for all; marks those done.
void FlushCopies(const FolderState& folder, const std::vector<CopyState*>& copies);
std::error_code FlushCopy(const FolderState& folder, CopyState& copy);

// Gives the copy its name, never replacing anything; taken when the name exists.
std::error_code NameCopy(const FolderState& folder, CopyState& copy, const std::string& newName,
                         bool& taken);

// Closes and removes a copy that was not named.
void DiscardCopy(const FolderState& folder, CopyState& copy);

// Removes the temporary `name` unless another pass is writing it: held open or locked by a
// writer, or, on a shared mount, changed recently.
void RemoveStaleTemporary(const FolderState& folder, const std::string& name);

std::error_code FlushFolder(const FolderState& folder);

std::error_code RemoveAt(const FolderState& folder, const std::string& name);

// The log's primitives.
std::error_code OpenAppend(const std::string& path, bool create, bool truncate, Handle& file,
                           FileId& id);
std::error_code FlushFile(Handle file);
void CloseFile(Handle& file);
// Whether the open file at path ends with a byte other than a line feed.
bool EndsMidLine(Handle file, const std::string& path);
// Writes data at the end; on failure cuts the file back to its length before.
std::error_code AppendWhole(Handle file, const std::string& path, std::string_view data);

// Whether a file may be kept open between lines: Windows keeps a deleted file's name while it
// is open, so a log held open could be neither removed nor made again.
bool KeepsAppendFilesOpen();

}  // namespace zantovel::native
