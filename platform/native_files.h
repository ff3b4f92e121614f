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
  FileId id;                  // the folder's own identity
  bool syncsWhole = false;    // one sync of the file system puts every file's data on disk
  bool unnamedFiles = false;  // a copy can be written without a name and linked in later
  bool sharedMount = false;   // other machines may write here: a lock tells nothing of them
  // The file system is not known to refuse a rename over an existing name by itself, so a
  // name may be given over an empty placeholder made first (see RenameNoReplace).
  bool mayUsePlaceholders = false;
  // Inode numbers are the files' own, in the listing too, and last: on FUSE they may be the
  // driver's numbers for the files it has in memory, given out afresh after a while.
  bool ownInodes = false;
  std::size_t copiesAtOnce = 1;
  CopyControl copies;  // how copies report their bytes and are stopped
};

// A copy being written: an unnamed file, or one under a temporary name.
struct CopyState {
  Handle file = kNoHandle;
  std::string temporary;  // empty for an unnamed copy
  bool link = false;      // a symbolic link, made under its temporary name
  bool flushed = false;
  // Windows: the source's attributes, which the copy takes when it is named. Until then it is
  // hidden and writable, so that it can be flushed and, when abandoned, removed.
  std::uint32_t attributes = 0;
};

std::error_code OpenFolder(const std::string& text, FolderState& folder);
void CloseFolder(FolderState& folder);

// The names of regular files and links (not links to folders) in the folder, in any order,
// each with its inode number where the listing gives one.
std::error_code ListNames(const FolderState& folder, std::vector<ListedFile>& names);

// What name is, or nothing with errno's reason (Linux) or the last error (Windows) left as
// SystemError's input in error.
std::optional<Entry> EntryAt(const FolderState& folder, const std::string& name);
std::optional<Entry> EntryAt(const FolderState& folder, const std::string& name,
                             std::error_code& error);

// Renames from to `to` in the folder; taken is set, nothing changed, when `to` exists.
std::error_code RenameNoReplace(const FolderState& folder, const std::string& from,
                                const std::string& to, bool& taken);

// Writes a copy of the regular file or symbolic link `name`: a file unnamed where the folder
// allows it, otherwise under `temporary`, which must be new (errc::file_exists otherwise); a
// link always under `temporary`.
std::error_code WriteCopy(const FolderState& folder, const std::string& name,
                          const std::string& temporary, CopyState& copy);

// What the copy is: its identity, size and times, which it keeps when it is named.
std::error_code CopyEntry(const FolderState& folder, const CopyState& copy, Entry& entry);

// Puts the content of the copies on disk, where one call can do it for all; marks those done.
// Returns whether that call was a flush of the folder's whole file system, which put every
// file written there on disk as well.
bool FlushCopies(const FolderState& folder, const std::vector<CopyState*>& copies);
std::error_code FlushCopy(const FolderState& folder, CopyState& copy);

// Gives the copy its name, never replacing anything; taken when the name exists.
std::error_code NameCopy(const FolderState& folder, CopyState& copy, const std::string& newName,
                         bool& taken);

// Closes and removes a copy that was not named.
void DiscardCopy(const FolderState& folder, CopyState& copy);

// Removes the temporary `name` unless another pass is writing it: held open or locked by a
// writer, or, on a shared mount (and for a link, which takes no lock), changed recently. With
// writerGone, the pass that made it is known to have ended, so its age tells nothing.
void RemoveStaleTemporary(const FolderState& folder, const std::string& name, bool writerGone);

std::error_code FlushFolder(const FolderState& folder);

std::error_code RemoveAt(const FolderState& folder, const std::string& name);

// The log's and the journal's primitives. A file that another user owns is refused
// (FileError::NotOwned). Afresh empties the file only once this process holds it alone: one
// that another process holds is left as it is (FileError::InUse).
std::error_code OpenAppend(const std::string& path, Opening opening, Handle& file, FileId& id);
std::error_code FlushFile(Handle file);
// Closes the file, saying whether the system reported a failure of the writes it still held.
std::error_code CloseFile(Handle& file);

// Opens the regular file at path for reading, without following a link in its place and
// without waiting (a pipe put there is refused, never opened for good).
std::error_code OpenToRead(const std::string& path, Handle& file);
// Up to size bytes from where the last read ended; got is 0 at the end.
std::error_code ReadFrom(Handle file, char* buffer, std::size_t size, std::size_t& got);
// Takes the open file for this process alone, for as long as it stays open, without waiting:
// FileError::InUse while another process holds it. A file system without locks takes none.
std::error_code HoldAlone(Handle file);

// What lets a user other than this one (and the administrator) change a file, or where the
// file lies: a file they own or may write, a link they made in its place, or a folder on the
// way that they own or may write (a sticky folder, whose names only their owners may move,
// excepted).
struct OtherWriter {
  enum class Kind {
    None,
    NotRegular,
    FileOwner,
    FileWritable,
    LinkOwner,
    FolderOwner,
    FolderWritable
  };
  Kind kind = Kind::None;
  std::string path;     // the file, link or folder
  std::string owner;    // its owner, "nobody (65534)"
  std::string trusted;  // whose files are trusted: "root", or "alice or root"
  unsigned mode = 0;    // its permission bits
};
// Looks at the file at path (the open file where `opened` is one) and every folder that holds
// it; with isFolder, path is a folder, looked at as those that hold it. A missing file or
// folder is looked at through the folders that would hold it.
std::error_code FindOtherWriter(const std::string& path, Handle opened, bool isFolder,
                                OtherWriter& found);

// Makes the folder at path and its missing parents, each for this user alone.
std::error_code MakeFolders(const std::string& path);
// Whether the open file at path ends with a byte other than a line feed.
bool EndsMidLine(Handle file, const std::string& path);
// Writes data at the end; on failure cuts the file back to its length before.
std::error_code AppendWhole(Handle file, const std::string& path, std::string_view data);

// Whether a file may be kept open between lines: Windows keeps a deleted file's name while it
// is open, so a log held open could be neither removed nor made again.
bool KeepsAppendFilesOpen();

}  // namespace zantovel::native
