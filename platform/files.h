#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The file-system operations a rename pass and the log need, the same on every system. The
// rules live here and in files.cpp; the per-system files (platform/linux/, platform/win32/)
// give only the primitives of native_files.h. Functions that can fail throw PlatformError,
// whose text names the operation, the path and the system's reason, unless their comment says
// they answer with a value instead.
namespace zantovel {

// Which file a name stands for: two names with the same identity are one file.
struct FileId {
  std::uint64_t device = 0;
  std::uint64_t inode = 0;
  friend bool operator==(const FileId&, const FileId&) = default;
};

// The identity of the file at path (a link is followed), or nothing when there is none.
std::optional<FileId> IdentityOf(const std::string& path);

// Whether path names an existing regular file (a link is followed), taken literally.
bool IsRegularFile(const std::string& path);

// What a path given from outside (the command line, a drop) names, a link followed.
enum class PathKind { Folder, File, Missing };
PathKind KindOf(const std::string& path);

// path made absolute against the working folder (unchanged when it is absolute already); a
// "." or ".." in it is left for the system to resolve.
std::string AbsolutePath(const std::string& path);

// Temporary files are named stem + 16 random hexadecimal digits + 4 digits that check them, so
// a file of the user's that happens to begin with the stem is never taken for one.
std::string TemporaryName(std::string_view stem);
bool IsTemporaryName(std::string_view name, std::string_view stem);

// The stem of the temporary name a copy is written under, where it cannot be unnamed.
inline constexpr std::string_view kCopyStem = ".zantovel-copy-";

// The temporaries of one pass: kCopyStem and 8 hexadecimal digits drawn for the pass, which
// begin the 16 random digits of each of its temporary names. What a pass killed while it wrote
// left can so be told from what any other pass left.
std::string PassTemporaryStem();

// Why the program must not trust the file at path, which it reads, loads or writes through
// (`what` names it in the sentence: "settings file", "journal"), or nothing when it may: the
// file, or a folder on its way, belongs to a user other than the one running the program (and
// root), or another user may write it. A missing file is judged by the folders that would hold
// it. E.g. Not using the journal "/srv/z/zantovel.journal": it belongs to nobody (65534), not
// to root.
std::optional<std::string> Untrusted(const std::string& path, std::string_view what,
                                     bool isFolder = false);

// Makes the folder at path and its missing parents, each for this user alone. Throws
// PlatformError ("Cannot make folder "...": Permission denied") when it cannot.
void MakeFolders(const std::string& path);

enum class NewName { Made, Taken };

// A name in a folder's listing, with the inode number the listing gives it (0 where it gives
// none: Windows).
struct ListedFile {
  std::string name;
  std::uint64_t inode = 0;
};

// What a name in a folder is now.
enum class EntryKind { File, Link, Other };
struct Entry {
  EntryKind kind;
  FileId id;
  std::uint64_t size = 0;
  std::int64_t modified = 0;  // the modification time, in nanoseconds since 1970
  std::int64_t born = 0;      // the time it was made, likewise; 0 where the system keeps none
};

// What a long copy reports while it runs, and how it is stopped: a copy polls stop between
// chunks and, when it is set, ends, leaving nothing behind.
struct CopyControl {
  const std::atomic<bool>* stop = nullptr;
  std::function<void(std::uint64_t done, std::uint64_t total)> copied;
};

namespace native {
struct FolderState;
struct CopyState;
}  // namespace native

// A copy whose content and attributes are written but that has no name yet (Folder::StartCopy).
// Dropped without being finished, it leaves nothing behind.
class PendingCopy {
 public:
  PendingCopy(PendingCopy&& other) noexcept;
  PendingCopy& operator=(PendingCopy&&) = delete;
  ~PendingCopy();

 private:
  friend class Folder;
  PendingCopy(const native::FolderState& folder, std::unique_ptr<native::CopyState> state,
              std::string newName, std::string what);

  const native::FolderState* folder_;
  std::unique_ptr<native::CopyState> state_;
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
  // keeps it). Used in messages.
  const std::string& Path() const;

  // The names of the regular files and symbolic links directly inside the folder, hidden ones
  // included, in byte order. Subfolders, links to folders, pipes, sockets and devices are not
  // listed, nor the temporary files of a copy. On Windows: every entry that is not a folder.
  std::vector<ListedFile> ListFiles() const;

  // Removes the temporaries that the last ListFiles met and that no copy is still writing:
  // what a copy that was killed left behind. A temporary another pass is writing (it holds
  // it, or on a folder other machines share, it changed in the last minutes) stays.
  void RemoveLeftovers() const;

  // What name is now (a link is not followed), or nothing when it is gone.
  std::optional<Entry> EntryOf(const std::string& name) const;
  // The same, or with the reason it could not be looked at (a name gone among them).
  std::optional<Entry> EntryOf(const std::string& name, std::error_code& error) const;
  // The same, nothing only when the name is gone: throws PlatformError ("Cannot look at
  // "...": reason") when the name cannot be looked at.
  std::optional<Entry> Look(const std::string& name) const;

  // Throws the failure of giving name the new name newName (by a copy where copy is set) for
  // the reason error, in the words MoveNoReplace and the copies use.
  [[noreturn]] void FailToName(const std::string& name, const std::string& newName, bool copy,
                               std::error_code error) const;

  // Gives the file name the new name newName in one step, never replacing anything that
  // already has it. The file itself is not touched: content, owner, mode, times, extended
  // attributes, hard links and open writers stay as they are, and no space is needed.
  // Returns Taken, having changed nothing, when anything (even a dangling link) has newName.
  // On file systems without hard links see docs/RELIABILITY.md.
  NewName MoveNoReplace(const std::string& name, const std::string& newName) const;

  // Copies name to newName without ever replacing anything: Taken when newName exists. A
  // regular file keeps its content (holes too), mode, times, extended attributes and ACL, and
  // its owner and group where the process may set them (otherwise the copy loses any setuid
  // and setgid bit); its content is on disk before newName appears, and nothing partial is
  // ever visible under newName. A symbolic link is copied as a link. A file that changes size
  // while it is copied is not copied.
  //
  // A copy goes in parts, so that many copies can be flushed to disk at the cost of about one,
  // and so that what each copy is can be recorded before it has a name. StartCopy writes the
  // content and attributes into a copy without a name (a link, and a file where the folder
  // cannot hold unnamed files, under a temporary name of the pass's stem); CopyEntryOf tells
  // what the copy is, which it stays once named. FlushCopies puts the content of many copies
  // on disk together where the file system allows it, and returns whether it did so by
  // flushing the whole file system (Id().device), which put every file written there on disk
  // too. FinishCopy flushes a copy that is not yet on disk, then names it, never replacing
  // anything, and says whether the name was free.
  // StartCopy gives nothing when a stop came inside the copy (CopyControl), which leaves nothing.
  std::optional<PendingCopy> StartCopy(const std::string& name, const std::string& newName) const;
  Entry CopyEntryOf(const PendingCopy& copy) const;
  bool FlushCopies(std::vector<PendingCopy>& copies) const;
  NewName FinishCopy(PendingCopy& copy) const;

  // The stem of the temporary names this folder's copies are written under (PassTemporaryStem:
  // one drawn when the folder was opened, unless a pass names its own).
  const std::string& TemporaryStem() const { return temporaryStem_; }
  void UseTemporaryStem(std::string stem) { temporaryStem_ = std::move(stem); }

  // Removes what a pass whose temporaries begin with stem left, once that pass has ended:
  // its temporaries, which no other pass can have made.
  void RemoveTemporariesOf(std::string_view stem) const;

  // The folder's own identity.
  FileId Id() const;

  // Whether a file's identity here lasts: its inode number is the file system's own, so that a
  // later process finds the same file under the same number. On FUSE a driver may number the
  // files it holds in memory and give other numbers later (exfat-fuse does).
  bool IdentitiesLast() const;

  // Whether a name may be given here by way of an empty placeholder made under it first
  // (MoveNoReplace), which a pass killed at that moment leaves behind.
  bool MayUsePlaceholders() const;

  // How many copies may wait unnamed at once: each may hold an open file.
  std::size_t CopiesAtOnce() const;

  // Removes the file name (a link, not its target). Throws when it cannot.
  void Remove(const std::string& name) const;

  // Lets copies report their bytes and be stopped.
  void ControlCopies(CopyControl control);

  // Flushes the folder's entries to disk, so that what was renamed stays renamed after a power
  // cut. A file system that cannot flush a folder is not an error.
  void Flush() const;

 private:
  std::unique_ptr<native::FolderState> state_;
  mutable std::vector<std::string> leftovers_;
  std::string temporaryStem_;
};

// How AppendFile::Open takes a file.
enum class Opening {
  Existing,  // the file there, which must exist
  OrCreate,  // the file there, made (0644 on Linux) where missing
  Afresh,    // the file there or a new one (0600), emptied once this process holds it alone
  New,       // a file that does not exist yet (0600): errc::file_exists otherwise
};

// A file that lines are added to, kept open from one line to the next where the system allows
// it and for as long as its path still names the same file.
class AppendFile {
 public:
  AppendFile();
  ~AppendFile();
  AppendFile(const AppendFile&) = delete;
  AppendFile& operator=(const AppendFile&) = delete;

  // Whether the file is open and path still names it.
  bool StillNames(const std::string& path) const;

  // Whether a file is open: after a failed write or open, none is.
  bool IsOpen() const;

  // Opens path for appending, closing any file open before, as opening says. A file opened
  // Afresh or New is the process's alone (a journal, held so that no undo and no other pass
  // touches it; one a running pass holds is never emptied), and stays open until it is closed.
  // A symbolic link in the last part of path is followed only when the process's own user
  // made it, and a file another user owns is refused, so that a log in another user's folder
  // cannot be pointed at a file of someone else's. Writes block until they are done, even to
  // a pipe. Throws when the file cannot be opened. what names the file in failures: "log",
  // "journal".
  void Open(const std::string& path, Opening opening, std::string_view what = "log");

  // Adds data at the end of the open file, on a line of its own: should the file end in the
  // middle of a line (a writer killed while writing), a line break comes first. data is in the
  // file whole or not at all: after a short write the file is cut back to where it ended, and
  // the failure thrown.
  void Append(std::string_view data);

  // Puts what was appended on disk. Throws when it cannot.
  void Flush();

  // Closes the file, throwing when the system reports that writes it held failed.
  void Close();

  // The open file's identity.
  const FileId& Id() const { return id_; }

 private:
  std::intptr_t handle_;
  FileId id_;
  bool midLine_ = false;  // the file ended inside a line when it was opened
  std::string path_;
  std::string what_ = "log";
  bool keepOpen_ = false;  // a file started afresh has one writer: it stays open everywhere
};

// A file of the program's own, read from its start: opened without following a link in its
// place and without waiting for a pipe put there, and only when it is a regular file that
// Untrusted lets the program trust.
class OwnFileReader {
 public:
  // Throws PlatformError when it cannot: "Cannot open journal "...": reason" (a missing file's
  // code is std::errc::no_such_file_or_directory), or Untrusted's sentence (FileError::NotOwned).
  OwnFileReader(const std::string& path, std::string_view what);
  ~OwnFileReader();
  OwnFileReader(const OwnFileReader&) = delete;
  OwnFileReader& operator=(const OwnFileReader&) = delete;

  // Up to size bytes more, 0 at the end. Throws when the file cannot be read.
  std::size_t Read(char* buffer, std::size_t size);

  // Holds the file for this process alone while it stays open; throws (FileError::InUse)
  // while another process holds it.
  void HoldAlone();

 private:
  std::intptr_t handle_;
  std::string path_;
  std::string what_;
};

}  // namespace zantovel
