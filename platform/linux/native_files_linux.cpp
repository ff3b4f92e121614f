// The file primitives on Linux. Every operation on a folder's files goes through the folder's
// descriptor (the *at calls), and every system call through the table of system_calls.h.
#include <grp.h>
#include <linux/magic.h>
#include <pwd.h>
#include <sys/resource.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>

#include "platform/error.h"
#include "platform/linux/file_ops.h"
#include "platform/native_files.h"
#include "platform/path_rules.h"

namespace zantovel {

using namespace linux_calls;

namespace {

std::error_code LastError() {
  return SystemError(errno);
}

int FdOf(native::Handle handle) {
  return static_cast<int>(handle);
}

std::int64_t Nanoseconds(const statx_timestamp& time) {
  return time.tv_sec * 1'000'000'000LL + time.tv_nsec;
}

// What name in dirfd is now (with flags AT_SYMLINK_NOFOLLOW, a link itself; with
// AT_EMPTY_PATH and "", the file dirfd is open on): its birth time too, where the file system
// keeps one.
std::optional<Entry> StatEntry(int dirfd, const char* name, int flags) {
  struct statx st {};
  if (Sys().statx(dirfd, name, flags, STATX_BASIC_STATS | STATX_BTIME, &st) != 0)
    return std::nullopt;
  const EntryKind kind = S_ISREG(st.stx_mode)   ? EntryKind::File
                         : S_ISLNK(st.stx_mode) ? EntryKind::Link
                                                : EntryKind::Other;
  return Entry{kind,
               {static_cast<std::uint64_t>(makedev(st.stx_dev_major, st.stx_dev_minor)),
                static_cast<std::uint64_t>(st.stx_ino)},
               st.stx_size,
               Nanoseconds(st.stx_mtime),
               (st.stx_mask & STATX_BTIME) != 0 ? Nanoseconds(st.stx_btime) : 0};
}

// Copies length bytes at offset between the same offsets of two files. copy_file_range shares
// blocks where the file system can (a reflink on XFS or Btrfs) and copies inside the kernel
// otherwise; file systems that offer neither (FUSE) get a plain read and write. A source that
// ends early has changed since its size was read: that is a failure, never a copy padded out.
std::error_code CopyRange(int from, int to, off_t offset, off_t length, const CopyControl& control,
                          off_t size) {
  // A large file goes in chunks, so that a stop is seen and progress told within one.
  constexpr off_t kChunk = off_t{8} << 20;
  loff_t in = offset;
  loff_t out = offset;
  while (length > 0) {
    if (control.stop != nullptr && control.stop->load()) return MakeError(FileError::Stopped);
    if (control.copied)
      control.copied(static_cast<std::uint64_t>(in), static_cast<std::uint64_t>(size));
    const ssize_t n = Sys().copy_file_range(from, &in, to, &out,
                                            static_cast<std::size_t>(std::min(length, kChunk)), 0);
    if (n > 0) {
      length -= n;
      continue;
    }
    if (n == 0) return MakeError(FileError::Changed);
    if (errno == EINTR) continue;
    if (!NotOffered(errno)) return LastError();
    break;
  }
  if (length <= 0) return {};
  std::array<char, 1 << 16> buffer;  // left uninitialised: pread() fills it
  while (length > 0) {
    if (control.stop != nullptr && control.stop->load()) return MakeError(FileError::Stopped);
    const ssize_t got =
        Sys().pread(from, buffer.data(), std::min<std::size_t>(buffer.size(), length), in);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return LastError();
    if (got == 0) return MakeError(FileError::Changed);
    if (Sys().lseek(to, out, SEEK_SET) < 0) return LastError();
    if (WriteAll(to, {buffer.data(), static_cast<std::size_t>(got)}) <
        static_cast<std::size_t>(got))
      return LastError();
    in += got;
    out += got;
    length -= got;
  }
  return {};
}

// Copies the content of `from` (st, as it was opened) to the empty file `to`, data segment by
// data segment, so that holes stay holes and a sparse file takes no more space than it did.
std::error_code CopyContent(int from, int to, const struct stat& st, const CopyControl& control) {
  const off_t size = st.st_size;
  // A file whose blocks cover its size has no holes to find, short of blocks reserved past its
  // end as well: it is copied as one range, two calls sooner.
  const bool mayHaveHoles = st.st_blocks * off_t{512} < size;
  off_t copied = 0;  // the end of the last data segment copied
  if (!mayHaveHoles && size > 0) {
    if (const std::error_code error = CopyRange(from, to, 0, size, control, size)) return error;
    copied = size;
  }
  for (off_t pos = copied; pos < size;) {
    off_t data = Sys().lseek(from, pos, SEEK_DATA);
    if (data < 0 && errno == ENXIO) break;  // only a hole is left
    // A file system that cannot tell holes gives all of the rest as data.
    off_t hole = data < 0 ? size : Sys().lseek(from, data, SEEK_HOLE);
    if (data < 0) data = pos;
    if (hole < 0) hole = size;
    hole = std::min(hole, size);
    if (const std::error_code error = CopyRange(from, to, data, hole - data, control, size))
      return error;
    pos = copied = hole;
  }
  // The source must not have grown or shrunk meanwhile: its copy would be cut or padded.
  struct stat now {};
  if (Sys().fstat(from, &now) != 0) return LastError();
  if (now.st_size != size) return MakeError(FileError::Changed);
  // A hole at the end is made by setting the size; FAT's driver refuses that even where the
  // size is already right, so it is only asked for where needed.
  if (copied != size && Sys().ftruncate(to, size) != 0) return LastError();
  return {};
}

// Where the system has no rename that refuses to replace, and no hard links either (FAT,
// exFAT): an empty placeholder is made under the new name first, which fails if anything has
// it, and the file is then renamed over that placeholder, which is the pass's own. Another
// program can no longer lose a file it made under the new name between a test and the rename.
std::error_code RenameOverPlaceholder(int dirfd, const std::string& from, const std::string& to,
                                      bool& taken) {
  Fd placeholder(
      Sys().openat(dirfd, to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
  if (placeholder.fd < 0) {
    taken = errno == EEXIST;
    return taken ? std::error_code() : LastError();
  }
  if (Sys().renameat(dirfd, from.c_str(), dirfd, to.c_str()) != 0) {
    const int error = errno;
    Sys().unlinkat(dirfd, to.c_str(), 0);
    return SystemError(error);
  }
  return {};
}

std::error_code RenameNoReplaceAt(int dirfd, const std::string& from, const std::string& to,
                                  bool& taken) {
  taken = false;
  if (Sys().renameat2(dirfd, from.c_str(), dirfd, to.c_str(), RENAME_NOREPLACE) == 0) return {};
  if (errno == EEXIST) {
    taken = true;
    return {};
  }
  if (!NotOffered(errno) || errno == EPERM) return LastError();

  // Without RENAME_NOREPLACE (FUSE): a hard link cannot replace anything either.
  if (Sys().linkat(dirfd, from.c_str(), dirfd, to.c_str(), 0) == 0) {
    if (Sys().unlinkat(dirfd, from.c_str(), 0) != 0) {
      const int error = errno;
      Sys().unlinkat(dirfd, to.c_str(), 0);
      return SystemError(error);
    }
    return {};
  }
  if (errno == EEXIST) {
    taken = true;
    return {};
  }
  if (!NotOffered(errno)) return LastError();
  return RenameOverPlaceholder(dirfd, from, to, taken);
}

// File systems that others may write through another machine, where a lock taken here tells
// nothing of them: network file systems, and FUSE drivers of network file systems. A FUSE
// mount that /proc cannot name counts as shared.
bool IsSharedMount(int fd) {
  struct statfs info {};
  if (Sys().fstatfs(fd, &info) != 0) return true;
  constexpr long kSmb2 = 0xFE534D42, kCifs = 0xFF534D42, kCeph = 0x00C36400, kV9fs = 0x01021997;
  switch (static_cast<long>(info.f_type)) {
    case NFS_SUPER_MAGIC:
    case SMB_SUPER_MAGIC:
    case kSmb2:
    case kCifs:
    case kCeph:
    case kV9fs:
    case AFS_SUPER_MAGIC:
      return true;
    case FUSE_SUPER_MAGIC:
      break;
    default:
      return false;
  }
  struct stat st {};
  if (Sys().fstat(fd, &st) != 0) return true;
  std::ifstream mounts("/proc/self/mountinfo");
  const std::string device =
      std::to_string(major(st.st_dev)) + ":" + std::to_string(minor(st.st_dev));
  for (std::string line; std::getline(mounts, line);) {
    std::istringstream fields(line);
    std::string id, parent, majorMinor;
    fields >> id >> parent >> majorMinor;
    if (majorMinor != device) continue;
    const auto dash = line.find(" - ");
    if (dash == std::string::npos) return true;
    std::string type;
    std::istringstream(line.substr(dash + 3)) >> type;
    for (const char* network :
         {"fuse.sshfs", "fuse.rclone", "fuse.s3fs", "fuse.gcsfuse", "fuse.davfs", "fuse.curlftpfs",
          "fuse.glusterfs", "fuse.ceph-fuse", "fuse.smbnetfs"})
      if (type == network) return true;
    return false;
  }
  return true;
}

// How many copies may wait unnamed at once, each with its own descriptor: a few below half of
// what the process may open, at most 128.
std::size_t CopiesAtOnce() {
  rlimit limit{};
  if (getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) return 128;
  const auto open = static_cast<std::size_t>(limit.rlim_cur);
  return std::clamp<std::size_t>(open > 32 ? (open - 32) / 2 : 1, 1, 128);
}

}  // namespace

namespace native {

std::error_code OpenFolder(const std::string& text, FolderState& folder) {
  const int fd = Sys().openat(AT_FDCWD, text.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC, 0);
  if (fd < 0) return LastError();
  folder.handle = fd;
  // The folder's own path, links resolved, as the kernel knows the open folder; without /proc
  // the path the text resolves to now.
  std::array<char, PATH_MAX + 1> path;
  const std::string self = "/proc/self/fd/" + std::to_string(fd);
  const ssize_t n = Sys().readlinkat(AT_FDCWD, self.c_str(), path.data(), path.size() - 1);
  if (n > 0) {
    folder.path.assign(path.data(), static_cast<std::size_t>(n));
  } else if (const std::unique_ptr<char, decltype(&std::free)> real(realpath(text.c_str(), nullptr),
                                                                    &std::free);
             real) {
    folder.path = real.get();
  } else {
    folder.path = text;
  }
  folder.unnamedFiles = n > 0;
  // File systems whose sync writes and commits every dirty file, unwritten extents included.
  // FUSE drivers need not: their sync may do nothing at all.
  struct statfs info {};
  const bool known = Sys().fstatfs(fd, &info) == 0;
  folder.syncsWhole = known && (info.f_type == EXT4_SUPER_MAGIC || info.f_type == XFS_SUPER_MAGIC ||
                                info.f_type == BTRFS_SUPER_MAGIC);
  // File systems whose rename refuses to replace by itself (RENAME_NOREPLACE); elsewhere (FUSE
  // above all) a name may be given over a placeholder.
  const bool native =
      known && (folder.syncsWhole || info.f_type == TMPFS_MAGIC || info.f_type == F2FS_SUPER_MAGIC);
  folder.mayUsePlaceholders = !native;
  folder.ownInodes = native;
  struct stat own {};
  if (Sys().fstat(fd, &own) == 0) folder.id = IdOf(own);
  folder.sharedMount = IsSharedMount(fd);
  folder.copiesAtOnce = zantovel::CopiesAtOnce();
  return {};
}

void CloseFolder(FolderState& folder) {
  // A folder is only read through its descriptor: its close has nothing to report.
  CloseFile(folder.handle);
}

std::error_code ListNames(const FolderState& folder, std::vector<ListedFile>& names) {
  const int dirfd = FdOf(folder.handle);
  // A descriptor of its own, since reading a folder moves the descriptor's position.
  const int listing = Sys().openat(dirfd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC, 0);
  if (listing < 0) return LastError();
  const auto closeDir = [](DIR* d) { closedir(d); };
  std::unique_ptr<DIR, decltype(closeDir)> dir(Sys().fdopendir(listing), closeDir);
  if (!dir) {
    const int error = errno;
    Sys().close(listing);
    return SystemError(error);
  }
  for (;;) {
    errno = 0;
    const dirent* entry = Sys().readdir(dir.get());
    if (entry == nullptr) return errno != 0 ? LastError() : std::error_code();
    struct stat st {};
    unsigned char type = entry->d_type;
    if (type == DT_UNKNOWN) {
      if (Sys().fstatat(dirfd, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
      type = S_ISREG(st.st_mode) ? DT_REG : S_ISLNK(st.st_mode) ? DT_LNK : DT_DIR;
    }
    // A link to a folder is a folder to the user.
    if (type == DT_LNK && Sys().fstatat(dirfd, entry->d_name, &st, 0) == 0 && S_ISDIR(st.st_mode))
      continue;
    if (type == DT_REG || type == DT_LNK)
      names.push_back(
          {entry->d_name, folder.ownInodes ? static_cast<std::uint64_t>(entry->d_ino) : 0});
  }
}

std::optional<Entry> EntryAt(const FolderState& folder, const std::string& name) {
  return StatEntry(FdOf(folder.handle), name.c_str(), AT_SYMLINK_NOFOLLOW);
}

std::optional<Entry> EntryAt(const FolderState& folder, const std::string& name,
                             std::error_code& error) {
  std::optional<Entry> entry = StatEntry(FdOf(folder.handle), name.c_str(), AT_SYMLINK_NOFOLLOW);
  if (!entry) error = LastError();
  return entry;
}

std::error_code RenameNoReplace(const FolderState& folder, const std::string& from,
                                const std::string& to, bool& taken) {
  return RenameNoReplaceAt(FdOf(folder.handle), from, to, taken);
}

namespace {

// Copies the link `name` to a link under `temporary`, with its owner and times where they can
// be set.
std::error_code CopyLink(int dirfd, const std::string& name, const std::string& temporary,
                         CopyState& copy) {
  struct stat st {};
  if (Sys().fstatat(dirfd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return LastError();
  if (!S_ISLNK(st.st_mode)) return MakeError(FileError::NotAFile);
  // One byte more than the link holds, so a target that grew meanwhile cannot pass cut.
  std::string target(static_cast<std::size_t>(st.st_size) + 1, '\0');
  const ssize_t n = Sys().readlinkat(dirfd, name.c_str(), target.data(), target.size());
  if (n < 0) return LastError();
  if (static_cast<std::size_t>(n) == target.size()) return MakeError(FileError::Changed);
  target.resize(static_cast<std::size_t>(n));
  if (Sys().symlinkat(target.c_str(), dirfd, temporary.c_str()) != 0) return LastError();
  copy.link = true;
  copy.temporary = temporary;
  // Owner and times as far as the process may set them: a link's own mode means nothing.
  Sys().fchownat(dirfd, temporary.c_str(), st.st_uid, st.st_gid, AT_SYMLINK_NOFOLLOW);
  const std::array<timespec, 2> times{st.st_atim, st.st_mtim};
  Sys().utimensat(dirfd, temporary.c_str(), times.data(), AT_SYMLINK_NOFOLLOW);
  return {};
}

}  // namespace

std::error_code WriteCopy(const FolderState& folder, const std::string& name,
                          const std::string& temporary, CopyState& copy) {
  const int dirfd = FdOf(folder.handle);
  // O_NONBLOCK: should the name have become a pipe since the listing, the open must not wait.
  // O_NOFOLLOW: a link is copied as a link, its target never opened.
  Fd source(Sys().openat(dirfd, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0));
  if (source.fd < 0) {
    if (errno != ELOOP) return LastError();
    return CopyLink(dirfd, name, temporary, copy);
  }
  struct stat st {};
  if (Sys().fstat(source.fd, &st) != 0) return LastError();
  if (!S_ISREG(st.st_mode)) return MakeError(FileError::NotAFile);

  // An unnamed file in the folder: nothing is visible until it is complete and linked, and a
  // failure or a kill leaves nothing behind. File systems without unnamed files get a hidden,
  // locked temporary name that no listing shows and that undo, or a later pass, removes if a
  // kill left it.
  int out = -1;
  if (folder.unnamedFiles) {
    out = Sys().openat(dirfd, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
    if (out < 0 && !NotOffered(errno)) return LastError();
  }
  if (out < 0) {
    out = Sys().openat(dirfd, temporary.c_str(),
                       O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (out < 0) return LastError();
    Sys().flock(out, LOCK_EX | LOCK_NB);
    copy.temporary = temporary;
  }
  copy.file = out;
  std::error_code error = CopyContent(source.fd, out, st, folder.copies);
  if (!error) {
    CopyOwnerModeAndAttributes(source.fd, out, st);
    // The times last: writing the content or the attributes would change them again.
    const std::array<timespec, 2> times{st.st_atim, st.st_mtim};
    if (Sys().futimens(out, times.data()) != 0) error = LastError();
  }
  if (error) DiscardCopy(folder, copy);
  return error;
}

std::error_code CopyEntry(const FolderState& folder, const CopyState& copy, Entry& entry) {
  const std::optional<Entry> found =
      copy.link ? StatEntry(FdOf(folder.handle), copy.temporary.c_str(), AT_SYMLINK_NOFOLLOW)
                : StatEntry(FdOf(copy.file), "", AT_EMPTY_PATH);
  if (!found) return LastError();
  entry = *found;
  return {};
}

bool FlushCopies(const FolderState& folder, const std::vector<CopyState*>& copies) {
  // Every copy's content on its way to disk first, so that they are written together. A link
  // has no content: its name in the folder is flushed with the folder's.
  for (CopyState* copy : copies) {
    if (copy->link)
      copy->flushed = true;
    else
      Sys().sync_file_range(FdOf(copy->file), 0, 0, SYNC_FILE_RANGE_WRITE);
  }
  // One sync of the file system, where it writes every file's data and metadata, costs one
  // journal commit and one flush of the disk's cache for the lot; a flush of each copy costs
  // one of each a copy. Elsewhere (tmpfs, FUSE: their sync need not write anything), or when
  // the sync reports a failure (which does not say whose), each copy is flushed on its own.
  if (!folder.syncsWhole || Sys().syncfs(FdOf(folder.handle)) != 0) return false;
  for (CopyState* copy : copies) copy->flushed = true;
  return true;
}

std::error_code FlushCopy(const FolderState&, CopyState& copy) {
  if (Sys().fdatasync(FdOf(copy.file)) != 0) return LastError();
  copy.flushed = true;
  return {};
}

std::error_code NameCopy(const FolderState& folder, CopyState& copy, const std::string& newName,
                         bool& taken) {
  const int dirfd = FdOf(folder.handle);
  taken = false;
  if (copy.temporary.empty()) {
    const std::error_code error = LinkUnnamed(FdOf(copy.file), dirfd, newName);
    if (!error) return CloseFile(copy.file);
    taken = error == std::errc::file_exists;
    return taken ? std::error_code() : error;
  }
  if (const std::error_code error = RenameNoReplaceAt(dirfd, copy.temporary, newName, taken))
    return error;
  if (taken) return {};
  copy.temporary.clear();
  return CloseFile(copy.file);
}

void DiscardCopy(const FolderState& folder, CopyState& copy) {
  CloseFile(copy.file);
  // An unnamed copy vanished with its descriptor; a named temporary is removed.
  if (!copy.temporary.empty()) Sys().unlinkat(FdOf(folder.handle), copy.temporary.c_str(), 0);
  copy.temporary.clear();
}

void RemoveStaleTemporary(const FolderState& folder, const std::string& name, bool writerGone) {
  RemoveIfStale(FdOf(folder.handle), name, folder.sharedMount && !writerGone, writerGone);
}

std::error_code FlushFolder(const FolderState& folder) {
  if (Sys().fsync(FdOf(folder.handle)) != 0 && errno != EINVAL && errno != ENOSYS && errno != EROFS)
    return LastError();
  return {};
}

std::error_code OpenAppend(const std::string& path, Opening opening, Handle& file, FileId& id) {
  // O_NONBLOCK only for the open, so that a pipe without a reader fails instead of hanging;
  // writes then block, so a slow reader slows the pass instead of failing it.
  const bool alone = opening == Opening::Afresh || opening == Opening::New;
  const int flags = O_WRONLY | O_APPEND | O_CLOEXEC | O_NONBLOCK |
                    (opening != Opening::Existing ? O_CREAT : 0) |
                    (opening == Opening::New ? O_EXCL : 0);
  // A file of the process's alone (the journal) names the user's files: it is the user's alone.
  const mode_t mode = alone ? 0600 : 0644;
  int fd = Sys().openat(AT_FDCWD, path.c_str(), flags | O_NOFOLLOW, mode);
  if (fd < 0 && errno == ELOOP) {
    // A link is followed only when this user made it (or root did): a link another user put in
    // the log's place could send root's lines into any file.
    struct stat link {};
    if (Sys().fstatat(AT_FDCWD, path.c_str(), &link, AT_SYMLINK_NOFOLLOW) != 0) return LastError();
    if (link.st_uid != geteuid() && link.st_uid != 0) return MakeError(FileError::LinkNotOwned);
    fd = Sys().openat(AT_FDCWD, path.c_str(), flags, mode);
  }
  if (fd < 0) return LastError();
  Fd opened(fd);
  // A new file that cannot be made ready goes again, so that a failed open leaves nothing.
  struct Made {
    const std::string& path;
    bool keep;
    ~Made() {
      if (!keep) Sys().unlinkat(AT_FDCWD, path.c_str(), 0);
    }
  } made{path, opening != Opening::New};
  struct stat st {};
  if (Sys().set_blocking(fd) != 0 || Sys().fstat(fd, &st) != 0) return LastError();
  // Root's lines never go into a file that another user may read and has made for them.
  if (st.st_uid != geteuid() && st.st_uid != 0) return MakeError(FileError::NotOwned);
  if (alone) {
    // A file started afresh is one to be read back whole: a pipe or a device is none.
    if (!S_ISREG(st.st_mode)) return MakeError(FileError::NotRegular);
    // Emptied only once held: the journal of a pass still running is left as it is.
    if (Sys().flock(fd, LOCK_EX | LOCK_NB) != 0) {
      if (errno == EWOULDBLOCK) return MakeError(FileError::InUse);
      if (!NotOffered(errno) && errno != ENOLCK) return LastError();
    }
    if (opening == Opening::Afresh && Sys().ftruncate(fd, 0) != 0) return LastError();
  }
  made.keep = true;
  file = opened.fd;
  opened.fd = -1;
  id = IdOf(st);
  return {};
}

std::error_code FlushFile(Handle file) {
  return Sys().fdatasync(FdOf(file)) == 0 ? std::error_code() : LastError();
}

std::error_code RemoveAt(const FolderState& folder, const std::string& name) {
  return Sys().unlinkat(FdOf(folder.handle), name.c_str(), 0) == 0 ? std::error_code()
                                                                   : LastError();
}

std::error_code CloseFile(Handle& file) {
  if (file == kNoHandle) return {};
  const int fd = FdOf(file);
  file = kNoHandle;
  // The descriptor is gone whatever close says, even after EINTR, so it is never closed twice.
  if (Sys().close(fd) != 0 && errno != EINTR) return LastError();
  return {};
}

bool EndsMidLine(Handle file, const std::string& path) {
  // The log is open for writing only; its last byte is read through a second, reading handle
  // on the same file (a pipe or a device has no last byte).
  struct stat st {
  }, reading{};
  if (Sys().fstat(FdOf(file), &st) != 0 || !S_ISREG(st.st_mode) || st.st_size == 0) return false;
  Fd reader(Sys().openat(AT_FDCWD, path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC, 0));
  char last = '\n';
  return reader.fd >= 0 && Sys().fstat(reader.fd, &reading) == 0 && IdOf(reading) == IdOf(st) &&
         Sys().pread(reader.fd, &last, 1, st.st_size - 1) == 1 && last != '\n';
}

std::error_code AppendWhole(Handle file, const std::string&, std::string_view data) {
  const int fd = FdOf(file);
  const std::size_t put = WriteAll(fd, data);
  if (put == data.size()) return {};
  const int error = errno;
  // Take back what part of the line got in, so the file never holds half a line.
  if (put > 0) {
    const off_t end = Sys().lseek(fd, 0, SEEK_END);
    if (end >= 0) Sys().ftruncate(fd, end - static_cast<off_t>(put));
  }
  return SystemError(error);
}

bool KeepsAppendFilesOpen() {
  return true;
}

std::error_code OpenToRead(const std::string& path, Handle& file) {
  Fd opened(
      Sys().openat(AT_FDCWD, path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0));
  if (opened.fd < 0) return errno == ELOOP ? MakeError(FileError::NotRegular) : LastError();
  struct stat st {};
  if (Sys().fstat(opened.fd, &st) != 0) return LastError();
  if (!S_ISREG(st.st_mode)) return MakeError(FileError::NotRegular);
  file = opened.fd;
  opened.fd = -1;
  return {};
}

std::error_code ReadFrom(Handle file, char* buffer, std::size_t size, std::size_t& got) {
  for (;;) {
    const ssize_t n = Sys().read(FdOf(file), buffer, size);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return LastError();
    got = static_cast<std::size_t>(n);
    return {};
  }
}

std::error_code HoldAlone(Handle file) {
  while (Sys().flock(FdOf(file), LOCK_EX | LOCK_NB) != 0) {
    if (errno == EINTR) continue;
    if (errno == EWOULDBLOCK) return MakeError(FileError::InUse);
    if (NotOffered(errno) || errno == ENOLCK) return {};  // no locks here: nothing to hold
    return LastError();
  }
  return {};
}

namespace {

std::string UserText(uid_t uid) {
  passwd entry{};
  passwd* found = nullptr;
  std::array<char, 4096> buffer;
  const std::string number = std::to_string(uid);
  if (getpwuid_r(uid, &entry, buffer.data(), buffer.size(), &found) != 0 || found == nullptr)
    return "user " + number;
  return std::string(found->pw_name) + " (" + number + ")";
}

// Whether the group gid holds nobody but the user uid: the user's own group, as systems that
// give every user a group of their own (and a umask that lets that group write) have it.
bool GroupOfUserAlone(gid_t gid, uid_t uid) {
  passwd user{};
  passwd* foundUser = nullptr;
  std::array<char, 4096> userBuffer;
  if (getpwuid_r(uid, &user, userBuffer.data(), userBuffer.size(), &foundUser) != 0 ||
      foundUser == nullptr || user.pw_gid != gid)
    return false;
  group members{};
  group* foundGroup = nullptr;
  std::vector<char> groupBuffer(1 << 16);
  if (getgrgid_r(gid, &members, groupBuffer.data(), groupBuffer.size(), &foundGroup) != 0 ||
      foundGroup == nullptr)
    return false;
  for (char** member = members.gr_mem; *member != nullptr; ++member)
    if (std::string_view(*member) != user.pw_name) return false;
  return true;
}

bool OthersMayWrite(const struct stat& st, uid_t uid) {
  if ((st.st_mode & S_IWOTH) != 0) return true;
  return (st.st_mode & S_IWGRP) != 0 && !GroupOfUserAlone(st.st_gid, uid);
}

// The path of the open folder fd as the kernel knows it, for a sentence; fallback without /proc.
std::string PathOfFolder(int fd, const std::string& fallback) {
  std::array<char, PATH_MAX + 1> path;
  const std::string self = "/proc/self/fd/" + std::to_string(fd);
  const ssize_t n = Sys().readlinkat(AT_FDCWD, self.c_str(), path.data(), path.size() - 1);
  return n > 0 ? std::string(path.data(), static_cast<std::size_t>(n)) : fallback;
}

}  // namespace

std::error_code FindOtherWriter(const std::string& path, Handle opened, bool isFolder,
                                OtherWriter& found) {
  const uid_t uid = geteuid();
  const auto trusted = [uid](uid_t owner) { return owner == uid || owner == 0; };
  found = {};
  found.trusted = uid == 0 ? "root" : UserText(uid) + " or root";
  const auto report = [&](OtherWriter::Kind kind, std::string at, const struct stat& st) {
    found.kind = kind;
    found.path = std::move(at);
    found.owner = UserText(st.st_uid);
    found.mode = st.st_mode & 07777;
    return std::error_code();
  };
  // Every link on the way, and in the file's own place: one that another user made may point
  // anywhere they like, whenever they like.
  std::string lexical = path;
  if (lexical.empty() || lexical[0] != '/') {
    std::array<char, PATH_MAX + 1> working;
    if (getcwd(working.data(), working.size()) == nullptr) return LastError();
    lexical = JoinPath(working.data(), path);
  }
  struct stat st {};
  for (std::size_t end = lexical.find('/', 1);; end = lexical.find('/', end + 1)) {
    const std::string part = lexical.substr(0, end);
    if (Sys().fstatat(AT_FDCWD, part.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
      if (errno == ENOENT) break;
      return LastError();
    }
    if (S_ISLNK(st.st_mode) && !trusted(st.st_uid))
      return report(OtherWriter::Kind::LinkOwner, part, st);
    if (end == std::string::npos) break;
  }
  // The file itself.
  const bool exists =
      !isFolder && (opened != kNoHandle ? Sys().fstat(FdOf(opened), &st) == 0
                                        : Sys().fstatat(AT_FDCWD, lexical.c_str(), &st, 0) == 0);
  if (!isFolder && !exists && (opened != kNoHandle || errno != ENOENT)) return LastError();
  if (exists) {
    if (!S_ISREG(st.st_mode)) return report(OtherWriter::Kind::NotRegular, path, st);
    if (!trusted(st.st_uid)) return report(OtherWriter::Kind::FileOwner, path, st);
    if (OthersMayWrite(st, uid)) return report(OtherWriter::Kind::FileWritable, path, st);
  }
  // The folders that hold it as the kernel finds them, from the nearest that exists up to the
  // root: whoever owns one, or may write one that is not sticky, can put another file in its
  // place.
  std::string folder = isFolder ? lexical : FolderOf(lexical);
  Fd at(-1);
  for (;;) {
    at.fd = Sys().openat(AT_FDCWD, folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC, 0);
    if (at.fd >= 0) break;
    if (errno != ENOENT || folder == "/") return LastError();
    folder = FolderOf(folder);
  }
  for (;;) {
    if (Sys().fstat(at.fd, &st) != 0) return LastError();
    if (!trusted(st.st_uid))
      return report(OtherWriter::Kind::FolderOwner, PathOfFolder(at.fd, folder), st);
    if (OthersMayWrite(st, uid) && (st.st_mode & S_ISVTX) == 0)
      return report(OtherWriter::Kind::FolderWritable, PathOfFolder(at.fd, folder), st);
    Fd parent(Sys().openat(at.fd, "..", O_PATH | O_DIRECTORY | O_CLOEXEC, 0));
    if (parent.fd < 0) return LastError();
    struct stat above {};
    if (Sys().fstat(parent.fd, &above) != 0) return LastError();
    if (IdOf(above) == IdOf(st)) return {};  // the root is its own parent
    std::swap(at.fd, parent.fd);
    folder = FolderOf(folder);
  }
}

std::error_code MakeFolders(const std::string& path) {
  for (std::size_t end = path.find('/', 1);; end = path.find('/', end + 1)) {
    const std::string part = path.substr(0, end);
    if (Sys().mkdirat(AT_FDCWD, part.c_str(), 0700) != 0 && errno != EEXIST) return LastError();
    if (end == std::string::npos) break;
  }
  struct stat st {};
  if (Sys().fstatat(AT_FDCWD, path.c_str(), &st, 0) != 0) return LastError();
  return S_ISDIR(st.st_mode) ? std::error_code() : SystemError(ENOTDIR);
}

}  // namespace native

std::optional<FileId> IdentityOf(const std::string& path) {
  struct stat st {};
  if (Sys().fstatat(AT_FDCWD, path.c_str(), &st, 0) != 0) return std::nullopt;
  return IdOf(st);
}

bool IsRegularFile(const std::string& path) {
  struct stat st {};
  return Sys().fstatat(AT_FDCWD, path.c_str(), &st, 0) == 0 && S_ISREG(st.st_mode);
}

PathKind KindOf(const std::string& path) {
  struct stat st {};
  if (path.empty() || Sys().fstatat(AT_FDCWD, path.c_str(), &st, 0) != 0) return PathKind::Missing;
  return S_ISDIR(st.st_mode) ? PathKind::Folder : PathKind::File;
}

std::string AbsolutePath(const std::string& path) {
  if (!path.empty() && path.front() == '/') return path;
  std::string here(PATH_MAX, '\0');
  if (getcwd(here.data(), here.size()) == nullptr) return path;
  here.resize(std::strlen(here.c_str()));
  return here == "/" ? "/" + path : here + "/" + path;
}

}  // namespace zantovel
