#include <dirent.h>
#include <fcntl.h>
#include <linux/magic.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <memory>
#include <random>
#include <utility>

#include "platform/error.h"
#include "platform/files.h"
#include "platform/posix/system_calls.h"

namespace zantovel {

namespace posix {

SystemCalls& Sys() {
  static SystemCalls calls;
  return calls;
}

}  // namespace posix

namespace {

using posix::Sys;

std::string Quoted(std::string_view path) {
  return "\"" + std::string(path) + "\"";
}

[[noreturn]] void Fail(const std::string& what, int error) {
  throw PlatformError(what + ": " + std::strerror(error));
}

// Owns one file descriptor for the length of one operation.
struct Fd {
  int fd = -1;
  explicit Fd(int f) : fd(f) {}
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  ~Fd() {
    if (fd >= 0) close(fd);
  }
};

FileId IdOf(const struct stat& st) {
  return {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
}

// Writes all of data at the file's offset, going on after interruptions and short writes.
// Returns how many bytes were written; when that is fewer than data.size(), errno says why.
std::size_t WriteAll(int fd, std::string_view data) {
  std::size_t put = 0;
  while (put < data.size()) {
    const ssize_t n = Sys().write(fd, data.data() + put, data.size() - put);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (n == 0) errno = ENOSPC;
      break;
    }
    put += static_cast<std::size_t>(n);
  }
  return put;
}

// Errors by which a file system says that it does not offer an operation at all.
bool NotOffered(int error) {
  return error == EINVAL || error == ENOSYS || error == EOPNOTSUPP || error == EPERM ||
         error == EXDEV || error == EMLINK || error == EISDIR;
}

// Copies length bytes at offset between the same offsets of two files. copy_file_range shares
// blocks where the file system can (a reflink on XFS or Btrfs) and copies inside the kernel
// otherwise; file systems that offer neither (FUSE) get a plain read and write.
bool CopyRange(int from, int to, off_t offset, off_t length) {
  loff_t in = offset;
  loff_t out = offset;
  while (length > 0) {
    const ssize_t n =
        Sys().copy_file_range(from, &in, to, &out, static_cast<std::size_t>(length), 0);
    if (n > 0) {
      length -= n;
      continue;
    }
    if (n == 0) return true;  // the file shrank while it was copied
    if (errno == EINTR) continue;
    if (!NotOffered(errno)) return false;
    break;
  }
  if (length <= 0) return true;
  if (Sys().lseek(from, in, SEEK_SET) < 0 || Sys().lseek(to, out, SEEK_SET) < 0) return false;
  std::array<char, 1 << 16> buffer;  // left uninitialised: read() fills it
  while (length > 0) {
    const ssize_t got =
        Sys().read(from, buffer.data(), std::min<std::size_t>(buffer.size(), length));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return got == 0;
    if (WriteAll(to, {buffer.data(), static_cast<std::size_t>(got)}) <
        static_cast<std::size_t>(got))
      return false;
    length -= got;
  }
  return true;
}

// Copies the content of `from` (size bytes) to the empty file `to`, data segment by data
// segment, so that holes stay holes and a sparse file takes no more space than it did.
bool CopyContent(int from, int to, off_t size) {
  off_t copied = 0;  // the end of the last data segment copied
  for (off_t pos = 0; pos < size;) {
    off_t data = Sys().lseek(from, pos, SEEK_DATA);
    if (data < 0 && errno == ENXIO) break;  // only a hole is left
    // A file system that cannot tell holes gives all of the rest as data.
    off_t hole = data < 0 ? size : Sys().lseek(from, data, SEEK_HOLE);
    if (data < 0) data = pos;
    if (hole < 0) hole = size;
    hole = std::min(hole, size);
    if (!CopyRange(from, to, data, hole - data)) return false;
    pos = copied = hole;
  }
  // A hole at the end is made by setting the size; FAT's driver refuses that even where the
  // size is already right, so it is only asked for where needed.
  return copied == size || Sys().ftruncate(to, size) == 0;
}

// Copies every extended attribute of `from` that can be read to `to`; those that `to` refuses
// (a file system without them, a name space the process may not write) are skipped.
void CopyExtendedAttributes(int from, int to) {
  std::string names;
  for (;;) {
    const ssize_t size = flistxattr(from, nullptr, 0);
    if (size <= 0) return;
    names.resize(static_cast<std::size_t>(size));
    const ssize_t got = flistxattr(from, names.data(), names.size());
    if (got >= 0) {
      names.resize(static_cast<std::size_t>(got));
      break;
    }
    if (errno != ERANGE) return;  // ERANGE: the list grew meanwhile
  }
  std::string value;
  for (std::size_t pos = 0; pos < names.size(); pos = names.find('\0', pos) + 1) {
    const char* name = names.c_str() + pos;
    const ssize_t size = fgetxattr(from, name, nullptr, 0);
    if (size < 0) continue;
    value.resize(static_cast<std::size_t>(size));
    const ssize_t got = fgetxattr(from, name, value.data(), value.size());
    if (got < 0) continue;
    fsetxattr(to, name, value.data(), static_cast<std::size_t>(got), 0);
  }
}

// Gives the new file `to` the owner, group, mode and extended attributes (ACL and capabilities
// included) of `from`, whose status is st. Returns whether the owner and group could be kept;
// when they could not, the setuid and setgid bits are dropped, so that a copy never runs with
// the rights of an owner who did not write it.
bool CopyOwnerModeAndAttributes(int from, int to, const struct stat& st) {
  // An ACL inherited from the folder's default ACL would give others access the original did
  // not; the original's own ACL, if any, comes with its other attributes below.
  fremovexattr(to, "system.posix_acl_access");
  mode_t mode = st.st_mode & 07777;
  const bool ownerKept = fchown(to, st.st_uid, st.st_gid) == 0;
  if (!ownerKept) mode &= ~mode_t{S_ISUID | S_ISGID};
  // The process made `to`, so only a file system that keeps no modes (FAT) refuses these.
  fchmod(to, mode);
  CopyExtendedAttributes(from, to);
  return ownerKept;
}

std::string RandomSuffix() {
  static std::mt19937 random{std::random_device{}()};
  static constexpr std::string_view kLetters =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  std::string suffix(6, ' ');
  for (char& c : suffix) c = kLetters[random() % kLetters.size()];
  return suffix;
}

// Temporary names are the stem followed by six letters or digits.
bool IsTemporaryName(std::string_view name, std::string_view stem) {
  return name.size() == stem.size() + 6 && name.substr(0, stem.size()) == stem &&
         std::all_of(name.begin() + static_cast<std::ptrdiff_t>(stem.size()), name.end(),
                     [](char c) { return std::isalnum(static_cast<unsigned char>(c)); });
}

// The writer of a temporary holds a lock on it for as long as it lives; one that nobody holds
// was left by a process that was killed.
void RemoveIfStale(int dirfd, const char* name) {
  Fd file(Sys().openat(dirfd, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0));
  if (file.fd >= 0 && flock(file.fd, LOCK_EX | LOCK_NB) == 0) unlinkat(dirfd, name, 0);
}

void RemoveStaleTemporaries(int dirfd, std::string_view stem) {
  const auto closeDir = [](DIR* d) { closedir(d); };
  std::unique_ptr<DIR, decltype(closeDir)> dir(
      fdopendir(Sys().openat(dirfd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC, 0)), closeDir);
  if (!dir) return;
  while (const dirent* entry = Sys().readdir(dir.get()))
    if (IsTemporaryName(entry->d_name, stem)) RemoveIfStale(dirfd, entry->d_name);
}

// Creates a new, locked, empty file named stem + six random characters in the folder.
int CreateTemporary(int dirfd, const std::string& stem, std::string& name) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    name = stem + RandomSuffix();
    const int fd = Sys().openat(dirfd, name.c_str(),
                                O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd >= 0) {
      flock(fd, LOCK_EX | LOCK_NB);
      return fd;
    }
    if (errno != EEXIST) return -1;
  }
  return -1;
}

// Gives the unnamed file `fd` the name `name` in the folder; fails with EEXIST when the name is
// taken, so the test for a free name and the creation are a single step.
int LinkUnnamed(int fd, int dirfd, const std::string& name) {
  const std::string self = "/proc/self/fd/" + std::to_string(fd);
  return Sys().linkat(AT_FDCWD, self.c_str(), dirfd, name.c_str(), AT_SYMLINK_FOLLOW);
}

constexpr std::string_view kCopyStem = ".zantovel-copy-";

// Gives name in the folder dirfd the name newName, never replacing anything that has it.
// Returns 0 with the outcome set, or the error.
int MoveNoReplaceAt(int dirfd, const std::string& name, const std::string& newName,
                    NewName& outcome) {
  outcome = NewName::Made;
  if (Sys().renameat2(dirfd, name.c_str(), dirfd, newName.c_str(), RENAME_NOREPLACE) == 0) return 0;
  outcome = NewName::Taken;
  if (errno == EEXIST) return 0;
  if (!NotOffered(errno) || errno == EPERM) return errno;

  // Without RENAME_NOREPLACE (FUSE): a hard link cannot replace anything either.
  if (Sys().linkat(dirfd, name.c_str(), dirfd, newName.c_str(), 0) == 0) {
    if (unlinkat(dirfd, name.c_str(), 0) != 0) {
      const int error = errno;
      unlinkat(dirfd, newName.c_str(), 0);
      return error;
    }
    outcome = NewName::Made;
    return 0;
  }
  if (errno == EEXIST) return 0;
  if (!NotOffered(errno)) return errno;

  // Without hard links either (FAT, exFAT): look, then rename. Something that another program
  // puts under newName between the two steps would be replaced.
  struct stat st {};
  if (fstatat(dirfd, newName.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) return 0;
  if (errno != ENOENT) return errno;
  if (renameat(dirfd, name.c_str(), dirfd, newName.c_str()) != 0) return errno;
  outcome = NewName::Made;
  return 0;
}

}  // namespace

std::optional<FileId> IdentityOf(const std::string& path) {
  struct stat st {};
  if (stat(path.c_str(), &st) != 0) return std::nullopt;
  return IdOf(st);
}

std::string JoinPath(std::string_view folder, std::string_view name) {
  std::string path(folder);
  if (path.empty() || path.back() != '/') path += '/';
  path += name;
  return path;
}

Folder::Folder(const std::string& folderText) {
  const std::string what = "Cannot open folder " + Quoted(folderText);
  if (folderText.empty()) Fail(what, ENOENT);
  fd_ = open(folderText.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd_ < 0) Fail(what, errno);
  // The folder's own path, links resolved, as the kernel knows the open folder.
  std::array<char, PATH_MAX + 1> path;
  const std::string self = "/proc/self/fd/" + std::to_string(fd_);
  const ssize_t n = readlink(self.c_str(), path.data(), path.size() - 1);
  path_ = n > 0 ? std::string(path.data(), static_cast<std::size_t>(n)) : folderText;
  // File systems whose sync writes and commits every dirty file, unwritten extents included.
  // FUSE drivers need not: their sync may do nothing at all.
  struct statfs fsInfo {};
  syncsWhole_ = fstatfs(fd_, &fsInfo) == 0 &&
                (fsInfo.f_type == EXT4_SUPER_MAGIC || fsInfo.f_type == XFS_SUPER_MAGIC ||
                 fsInfo.f_type == BTRFS_SUPER_MAGIC);
}

Folder::~Folder() {
  close(fd_);
}

std::vector<std::string> Folder::ListFiles() const {
  const std::string what = "Cannot list folder " + Quoted(path_);
  const auto closeDir = [](DIR* d) { closedir(d); };
  // A descriptor of its own, since reading a folder moves the descriptor's position.
  const int listing = Sys().openat(fd_, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC, 0);
  if (listing < 0) Fail(what, errno);
  std::unique_ptr<DIR, decltype(closeDir)> dir(fdopendir(listing), closeDir);
  std::vector<std::string> names;
  leftovers_.clear();
  for (;;) {
    errno = 0;
    const dirent* entry = Sys().readdir(dir.get());
    if (entry == nullptr) {
      if (errno != 0) Fail(what, errno);
      break;
    }
    if (IsTemporaryName(entry->d_name, kCopyStem)) {
      leftovers_.emplace_back(entry->d_name);
      continue;
    }
    struct stat st {};
    unsigned char type = entry->d_type;
    if (type == DT_UNKNOWN) {
      if (fstatat(fd_, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
      type = S_ISREG(st.st_mode) ? DT_REG : S_ISLNK(st.st_mode) ? DT_LNK : DT_DIR;
    }
    // A link to a folder is a folder to the user.
    if (type == DT_LNK && fstatat(fd_, entry->d_name, &st, 0) == 0 && S_ISDIR(st.st_mode)) continue;
    if (type == DT_REG || type == DT_LNK) names.emplace_back(entry->d_name);
  }
  std::sort(names.begin(), names.end());
  return names;
}

void Folder::RemoveLeftovers() const {
  for (const std::string& name : leftovers_) RemoveIfStale(fd_, name.c_str());
  leftovers_.clear();
}

std::optional<FileId> Folder::IdentityOf(const std::string& name) const {
  struct stat st {};
  if (fstatat(fd_, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return std::nullopt;
  return IdOf(st);
}

NewName Folder::MoveNoReplace(const std::string& name, const std::string& newName) const {
  NewName outcome = NewName::Taken;
  if (const int error = MoveNoReplaceAt(fd_, name, newName, outcome); error != 0)
    Fail("Cannot rename " + Quoted(JoinPath(path_, name)) + " to " +
             Quoted(JoinPath(path_, newName)),
         error);
  return outcome;
}

PendingCopy::PendingCopy(int dirfd, int fd, std::string temporary, std::string newName,
                         std::string what)
    : dirfd_(dirfd),
      fd_(fd),
      temporary_(std::move(temporary)),
      newName_(std::move(newName)),
      what_(std::move(what)) {}

PendingCopy::PendingCopy(PendingCopy&& other) noexcept
    : dirfd_(other.dirfd_),
      fd_(std::exchange(other.fd_, -1)),
      temporary_(std::move(other.temporary_)),
      newName_(std::move(other.newName_)),
      what_(std::move(other.what_)) {
  other.temporary_.clear();
}

PendingCopy::~PendingCopy() {
  if (fd_ >= 0) close(fd_);
  // An unnamed copy vanishes with its descriptor; a named temporary is removed.
  if (!temporary_.empty()) unlinkat(dirfd_, temporary_.c_str(), 0);
}

NewName Folder::CopyNoReplace(const std::string& name, const std::string& newName) const {
  NewName made = NewName::Made;
  std::optional<PendingCopy> copy = StartCopy(name, newName, made);
  if (!copy) return made;
  return FinishCopy(*copy);
}

std::optional<PendingCopy> Folder::StartCopy(const std::string& name, const std::string& newName,
                                             NewName& made) const {
  std::string what =
      "Cannot copy " + Quoted(JoinPath(path_, name)) + " to " + Quoted(JoinPath(path_, newName));
  struct stat st {};
  // O_NONBLOCK: should the name have become a pipe since the listing, the open must not wait.
  // O_NOFOLLOW: a link is copied as a link, its target never opened.
  Fd source(Sys().openat(fd_, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0));
  if (source.fd < 0) {
    if (errno != ELOOP) Fail(what, errno);
    if (fstatat(fd_, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) Fail(what, errno);
    // One byte more than the link holds, so a target that grew meanwhile cannot pass cut.
    std::string target(static_cast<std::size_t>(st.st_size) + 1, '\0');
    const ssize_t n = Sys().readlinkat(fd_, name.c_str(), target.data(), target.size());
    if (n < 0) Fail(what, errno);
    if (static_cast<std::size_t>(n) == target.size()) Fail(what, ENAMETOOLONG);
    target.resize(static_cast<std::size_t>(n));
    made = NewName::Made;
    if (symlinkat(target.c_str(), fd_, newName.c_str()) != 0) {
      if (errno != EEXIST) Fail(what, errno);
      made = NewName::Taken;
      return std::nullopt;
    }
    fchownat(fd_, newName.c_str(), st.st_uid, st.st_gid, AT_SYMLINK_NOFOLLOW);
    const std::array<timespec, 2> times{st.st_atim, st.st_mtim};
    utimensat(fd_, newName.c_str(), times.data(), AT_SYMLINK_NOFOLLOW);
    return std::nullopt;
  }
  if (fstat(source.fd, &st) != 0) Fail(what, errno);
  if (!S_ISREG(st.st_mode)) Fail(what, EINVAL);

  // An unnamed file in the folder: nothing is visible until it is complete and linked, and a
  // failure or a kill leaves nothing behind. File systems without unnamed files get a hidden,
  // locked temporary name that no listing shows and the next pass removes if a kill left it.
  std::string temporary;
  int out = Sys().openat(fd_, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
  if (out < 0) {
    if (!NotOffered(errno)) Fail(what, errno);
    out = CreateTemporary(fd_, std::string(kCopyStem), temporary);
    if (out < 0) Fail(what, errno);
  }
  PendingCopy copy(fd_, out, std::move(temporary), newName, std::move(what));
  if (!CopyContent(source.fd, out, st.st_size)) Fail(copy.what_, errno);
  CopyOwnerModeAndAttributes(source.fd, out, st);
  const std::array<timespec, 2> times{st.st_atim, st.st_mtim};
  futimens(out, times.data());
  return copy;
}

void Folder::FlushCopies(std::vector<PendingCopy>& copies) const {
  // Every copy's content on its way to disk first, so that they are written together.
  for (const PendingCopy& copy : copies) sync_file_range(copy.fd_, 0, 0, SYNC_FILE_RANGE_WRITE);
  // One sync of the file system, where it writes every file's data and metadata, costs one
  // journal commit and one flush of the disk's cache for the lot; a flush of each copy costs
  // one of each a copy. Elsewhere, or when the sync reports a failure (which does not say
  // whose), FinishCopy flushes each copy on its own.
  if (!syncsWhole_ || Sys().syncfs(fd_) != 0) return;
  for (PendingCopy& copy : copies) copy.flushed_ = true;
}

NewName Folder::FinishCopy(PendingCopy& copy) const {
  // The content is on disk before its name can be seen.
  if (!copy.flushed_ && Sys().fdatasync(copy.fd_) != 0) Fail(copy.what_, errno);
  if (copy.temporary_.empty()) {
    if (LinkUnnamed(copy.fd_, fd_, copy.newName_) == 0) return NewName::Made;
    if (errno == EEXIST) return NewName::Taken;
    Fail(copy.what_, errno);
  }
  NewName outcome = NewName::Taken;
  if (const int error = MoveNoReplaceAt(fd_, copy.temporary_, copy.newName_, outcome); error != 0)
    Fail(copy.what_, error);
  if (outcome == NewName::Made) copy.temporary_.clear();  // it has its name now
  return outcome;
}

void Folder::Flush() const {
  if (Sys().fsync(fd_) != 0 && errno != EINVAL && errno != ENOSYS && errno != EROFS)
    Fail("Cannot flush folder " + Quoted(path_), errno);
}

AppendFile::~AppendFile() {
  Close();
}

void AppendFile::Close() {
  if (fd_ >= 0) close(fd_);
  fd_ = -1;
}

bool AppendFile::StillNames(const std::string& path) const {
  struct stat st {};
  return fd_ >= 0 && stat(path.c_str(), &st) == 0 && IdOf(st) == id_;
}

void AppendFile::Open(const std::string& path, bool create) {
  Close();
  const int flags = O_WRONLY | O_APPEND | O_CLOEXEC | O_NONBLOCK | (create ? O_CREAT : 0);
  const int fd = open(path.c_str(), flags, 0666);
  if (fd < 0) Fail("Cannot open log " + Quoted(path), errno);
  struct stat st {};
  fstat(fd, &st);
  fd_ = fd;
  path_ = path;
  id_ = IdOf(st);
}

void AppendFile::Append(std::string_view data) {
  const std::size_t put = WriteAll(fd_, data);
  if (put == data.size()) return;
  const int error = errno;
  // Take back what part of the line got in, so the file never holds half a line.
  if (put > 0) {
    const off_t end = Sys().lseek(fd_, 0, SEEK_CUR);
    if (end >= 0) Sys().ftruncate(fd_, end - static_cast<off_t>(put));
  }
  Fail("Cannot write log " + Quoted(path_), error);
}

bool IsRegularFile(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

namespace {

// The last file ReadWholeFile read, with what its status was then.
struct ReadCache {
  std::string path;
  struct stat st {};
  std::string content;
  bool valid = false;
};

ReadCache& LastRead() {
  static ReadCache cache;
  return cache;
}

bool Unchanged(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_size == b.st_size &&
         a.st_mtim.tv_sec == b.st_mtim.tv_sec && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec &&
         a.st_ctim.tv_sec == b.st_ctim.tv_sec && a.st_ctim.tv_nsec == b.st_ctim.tv_nsec;
}

std::optional<std::string> ReadAll(int fd) {
  std::string content;
  std::array<char, 1 << 16> buffer;  // left uninitialised: read() fills it
  for (;;) {
    const ssize_t n = Sys().read(fd, buffer.data(), buffer.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return std::nullopt;  // a folder, among others
    if (n == 0) return content;
    content.append(buffer.data(), static_cast<std::size_t>(n));
  }
}

}  // namespace

std::optional<std::string> ReadWholeFile(const std::string& path) {
  ReadCache& cache = LastRead();
  struct stat st {};
  if (stat(path.c_str(), &st) != 0) return std::nullopt;
  if (cache.valid && cache.path == path && Unchanged(cache.st, st)) return cache.content;
  Fd file(open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  if (file.fd < 0) return std::nullopt;
  std::optional<std::string> content = ReadAll(file.fd);
  if (!content || fstat(file.fd, &st) != 0) return content;
  cache = {path, st, *content, true};
  return content;
}

namespace {

// Writes content to a new file beside the old one (name in the folder dirfd) and renames it
// over the old one, with the old file's owner, group, mode and attributes. Returns false,
// leaving nothing behind, when that cannot be done.
bool WriteBeside(int dirfd, const std::string& name, int oldFile, const struct stat* old,
                 std::string_view content) {
  const std::string stem = "." + name + ".";
  std::string temporary;
  Fd out(Sys().openat(dirfd, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600));
  if (out.fd < 0 && NotOffered(errno)) out.fd = CreateTemporary(dirfd, stem, temporary);
  if (out.fd < 0) return false;
  flock(out.fd, LOCK_EX | LOCK_NB);
  const auto abandon = [&] {
    if (!temporary.empty()) unlinkat(dirfd, temporary.c_str(), 0);
    return false;
  };
  if (old != nullptr) {
    // A file whose owner cannot be kept is better written in place than handed to the saver.
    if (!CopyOwnerModeAndAttributes(oldFile, out.fd, *old)) return abandon();
  } else {
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(out.fd, 0666 & ~mask);
  }
  if (WriteAll(out.fd, content) < content.size() || Sys().fsync(out.fd) != 0) return abandon();
  for (int attempt = 0; temporary.empty() && attempt < 100; ++attempt) {
    const std::string candidate = stem + RandomSuffix();
    if (LinkUnnamed(out.fd, dirfd, candidate) == 0)
      temporary = candidate;
    else if (errno != EEXIST)
      return false;
  }
  if (temporary.empty()) return false;
  if (renameat(dirfd, temporary.c_str(), dirfd, name.c_str()) != 0) return abandon();
  Sys().fsync(dirfd);
  return true;
}

// Writes content over the file itself, for where no file can be made beside it.
bool WriteInPlace(int dirfd, const std::string& name, bool exists, std::string_view content) {
  Fd file(Sys().openat(dirfd, name.c_str(),
                       O_WRONLY | O_CLOEXEC | O_NONBLOCK | (exists ? 0 : O_CREAT), 0666));
  return file.fd >= 0 && WriteAll(file.fd, content) == content.size() &&
         Sys().ftruncate(file.fd, static_cast<off_t>(content.size())) == 0 &&
         Sys().fsync(file.fd) == 0;
}

}  // namespace

bool ReplaceFileContent(const std::string& path,
                        const std::function<std::string(std::string_view)>& transform) {
  // A link is followed to the file it names, even where that file does not exist yet.
  std::string target = path;
  for (int depth = 0; depth < 40; ++depth) {
    struct stat link {};
    if (lstat(target.c_str(), &link) != 0 || !S_ISLNK(link.st_mode)) break;
    std::string next(static_cast<std::size_t>(link.st_size) + PATH_MAX, '\0');
    const ssize_t n = readlink(target.c_str(), next.data(), next.size());
    if (n < 0) return false;
    next.resize(static_cast<std::size_t>(n));
    const auto slash = target.rfind('/');
    if (!next.empty() && next.front() != '/' && slash != std::string::npos)
      next = target.substr(0, slash + 1) + next;
    target = next;
  }
  const auto slash = target.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : target.substr(0, slash + 1);
  const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);

  Fd dir(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir.fd < 0) return false;
  // Whole saves take turns, so two windows closing at once never mix their values.
  while (flock(dir.fd, LOCK_EX) != 0 && errno == EINTR) {
  }
  RemoveStaleTemporaries(dir.fd, "." + name + ".");

  Fd old(Sys().openat(dir.fd, name.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC, 0));
  struct stat st {};
  std::optional<std::string> content;
  if (old.fd >= 0) {
    if (fstat(old.fd, &st) != 0 || !S_ISREG(st.st_mode)) return false;
    // A file made read-only, or that this user may not write, is not the user's to change.
    if ((st.st_mode & 0222) == 0 || faccessat(dir.fd, name.c_str(), W_OK, AT_EACCESS) != 0)
      return false;
    content = ReadAll(old.fd);
  } else if (errno == ENOENT) {
    content = "";
  }
  if (!content) return false;  // a file that cannot be read is not replaced by one key alone
  const std::string next = transform(*content);
  if (old.fd >= 0 && next == *content) return true;
  LastRead().valid = false;
  if (WriteBeside(dir.fd, name, old.fd, old.fd >= 0 ? &st : nullptr, next)) return true;
  return WriteInPlace(dir.fd, name, old.fd >= 0, next);
}

}  // namespace zantovel
