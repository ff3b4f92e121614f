#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The file-system operations a rename pass, the log and the settings file need. Functions that
// can fail throw PlatformError, whose text names the operation, the path and the system's
// reason, unless their comment says they answer with a value instead.
namespace zantovel {

// Which file a name stands for: two names with the same identity are one file.
struct FileId {
  std::uint64_t device = 0;
  std::uint64_t inode = 0;
  friend bool operator==(const FileId&, const FileId&) = default;
};

// The identity of the file at path (a link is followed), or nothing when there is none.
std::optional<FileId> IdentityOf(const std::string& path);

// folder + separator + name, with a single separator when folder already ends with one (the
// root).
std::string JoinPath(std::string_view folder, std::string_view name);

enum class NewName { Made, Taken };

// A copy whose content and attributes are written but that has no name yet (Folder::StartCopy).
// Dropped without being finished, it leaves nothing behind.
class PendingCopy {
 public:
  PendingCopy(PendingCopy&& other) noexcept;
  PendingCopy& operator=(PendingCopy&&) = delete;
  ~PendingCopy();

 private:
  friend class Folder;
#ifdef _WIN32
  PendingCopy(std::string temporary, std::string newName, std::string what);

  std::string temporary_;  // the full path of the copy's hidden name
#else
  PendingCopy(int dirfd, int fd, std::string temporary, std::string newName, std::string what);

  int dirfd_;
  int fd_;
  std::string temporary_;  // the copy's hidden name, where the file system has no unnamed files
  bool flushed_ = false;
#endif
  std::string newName_;
  std::string what_;  // the sentence a failure starts with
};

// A folder opened once. Every operation on its files goes through this one handle, so a folder
// moved or swapped for another while a pass runs cannot send an operation elsewhere.
class Folder {
 public:
  // Opens the folder that folderText names; a relative text is taken from the working
  // directory. Throws when folderText is empty, does not exist or is not a folder.
  explicit Folder(const std::string& folderText);
  ~Folder();
  Folder(const Folder&) = delete;
  Folder& operator=(const Folder&) = delete;

  // The folder's absolute path when it was opened, without a trailing separator (the root
  // keeps it). Used in messages; on Linux operations never go by it.
  const std::string& Path() const { return path_; }

  // The names of the regular files and symbolic links directly inside the folder, hidden ones
  // included, in byte order. Subfolders, links to folders, pipes, sockets and devices are not
  // listed, nor the temporary files of a copy. On Windows: every entry that is not a folder.
  std::vector<std::string> ListFiles() const;

  // Removes the temporaries that the last ListFiles met and that no copy is still writing:
  // what a copy that was killed left behind.
  void RemoveLeftovers() const;

  // The identity of name (a link is not followed), or nothing when it is gone.
  std::optional<FileId> IdentityOf(const std::string& name) const;

  // Gives the file name the new name newName in one step, never replacing anything that
  // already has it. The file itself is not touched: content, owner, mode, times, extended
  // attributes, hard links and open writers stay as they are, and no space is needed.
  // Returns Taken, having changed nothing, when anything (even a dangling link) has newName.
  // On file systems without hard links the test for a taken name and the rename are two
  // steps; see docs/RELIABILITY.md.
  NewName MoveNoReplace(const std::string& name, const std::string& newName) const;

  // Copies name to newName without ever replacing anything: Taken when newName exists. A
  // regular file keeps its content (holes too), mode, times, extended attributes and ACL, and
  // its owner and group where the process may set them (otherwise the copy loses any setuid
  // and setgid bit); its content is on disk before newName appears, and nothing partial is
  // ever visible under newName. A symbolic link is copied as a link.
  NewName CopyNoReplace(const std::string& name, const std::string& newName) const;

  // CopyNoReplace in parts, so that many copies can be flushed to disk at the cost of about
  // one. StartCopy writes the content and attributes of a regular file into a copy without a
  // name; a symbolic link, which has nothing to flush, is copied at once, nothing is returned
  // and made says whether its new name was free. FlushCopies puts the content of many copies
  // on disk together where the file system allows it. FinishCopy flushes a copy that is not
  // yet on disk, then names it, never replacing anything. Each throws as CopyNoReplace does.
  std::optional<PendingCopy> StartCopy(const std::string& name, const std::string& newName,
                                       NewName& made) const;
  void FlushCopies(std::vector<PendingCopy>& copies) const;
  NewName FinishCopy(PendingCopy& copy) const;

  // Flushes the folder's entries to disk, so that what was renamed stays renamed after a power
  // cut. A file system that cannot flush a folder is not an error.
  void Flush() const;

 private:
#ifdef _WIN32
  void* handle_ = nullptr;  // held without sharing deletion, so the folder cannot be moved
#else
  int fd_ = -1;
  bool syncsWhole_ = false;  // whether syncing the file system puts every file's data on disk
#endif
  std::string path_;
  mutable std::vector<std::string> leftovers_;
};

// A file that lines are added to, kept open from one line to the next for as long as its path
// still names the same file.
class AppendFile {
 public:
  AppendFile() = default;
  ~AppendFile();
  AppendFile(const AppendFile&) = delete;
  AppendFile& operator=(const AppendFile&) = delete;

  // Whether the file is open and path still names it.
  bool StillNames(const std::string& path) const;

  // Opens path for appending, closing any file open before. With create, a missing file is
  // created; an existing file is never truncated. Throws when it cannot be opened.
  void Open(const std::string& path, bool create);

  // Adds data at the end of the open file. data is in the file whole or not at all: after a
  // short write the file is cut back to where it ended, and the failure thrown.
  void Append(std::string_view data);

 private:
  void Close();

#ifdef _WIN32
  void* handle_ = nullptr;
#else
  int fd_ = -1;
  FileId id_;
#endif
  std::string path_;
};

// Whether path names an existing regular file (a link is followed), taken literally.
bool IsRegularFile(const std::string& path);

#ifndef _WIN32
// The settings file's own reader and writer, where the system has no profile functions.

// The whole content of the regular file at path, or nothing when it cannot be read. The
// content is kept and read again only when the file's size, times or identity have changed,
// so a file asked for before every log line costs one stat.
std::optional<std::string> ReadWholeFile(const std::string& path);

// Replaces the content of the file at path by transform(old content), the old content being
// empty when the file is missing. Saves are serialised with other processes by a lock on the
// folder, so transform always sees the content of the last save. A symbolic link is followed
// and its target written. The new content is written beside the file and renamed over it, so
// a crash leaves the old file or the new one; the file keeps its owner, group, mode and
// extended attributes (ACL included). Where that cannot be done (no file can be made in the
// folder, or the owner cannot be kept) the file is written in place. A file without any write
// permission bit, or that the process may not write, is left as it is. A temporary left by a
// killed save is removed. Returns false, having changed nothing, when the file cannot be written.
bool ReplaceFileContent(const std::string& path,
                        const std::function<std::string(std::string_view)>& transform);
#endif

}  // namespace zantovel
