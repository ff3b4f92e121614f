#include "platform/linux/file_ops.h"

#include <cerrno>
#include <ctime>

#include "platform/error.h"

namespace zantovel {

std::error_code SystemError(int error) {
  return {error, std::generic_category()};
}

namespace linux_calls {

SystemCalls& Sys() {
  static SystemCalls calls;
  return calls;
}

FileId IdOf(const struct stat& st) {
  return {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
}

bool NotOffered(int error) {
  return error == EINVAL || error == ENOSYS || error == EOPNOTSUPP || error == EPERM ||
         error == EXDEV || error == EMLINK || error == EISDIR;
}

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

std::optional<std::string> ReadAll(int fd) {
  std::string content;
  std::string buffer(1 << 16, '\0');
  for (;;) {
    const ssize_t n = Sys().read(fd, buffer.data(), buffer.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return std::nullopt;  // a folder, among others
    if (n == 0) return content;
    content.append(buffer.data(), static_cast<std::size_t>(n));
  }
}

namespace {

// Copies every extended attribute of `from` that can be read to `to`; those that `to` refuses
// (a file system without them, a name space the process may not write) are skipped.
void CopyExtendedAttributes(int from, int to) {
  std::string names;
  for (;;) {
    const ssize_t size = Sys().flistxattr(from, nullptr, 0);
    if (size <= 0) return;
    names.resize(static_cast<std::size_t>(size));
    const ssize_t got = Sys().flistxattr(from, names.data(), names.size());
    if (got >= 0) {
      names.resize(static_cast<std::size_t>(got));
      break;
    }
    if (errno != ERANGE) return;  // ERANGE: the list grew meanwhile
  }
  std::string value;
  for (std::size_t pos = 0; pos < names.size(); pos = names.find('\0', pos) + 1) {
    const char* name = names.c_str() + pos;
    const ssize_t size = Sys().fgetxattr(from, name, nullptr, 0);
    if (size < 0) continue;
    value.resize(static_cast<std::size_t>(size));
    const ssize_t got = Sys().fgetxattr(from, name, value.data(), value.size());
    if (got < 0) continue;
    Sys().fsetxattr(to, name, value.data(), static_cast<std::size_t>(got), 0);
  }
}

}  // namespace

bool CopyOwnerModeAndAttributes(int from, int to, const struct stat& st) {
  // An ACL inherited from the folder's default ACL would give others access the original did
  // not; the original's own ACL, if any, comes with its other attributes below.
  Sys().fremovexattr(to, "system.posix_acl_access");
  mode_t mode = st.st_mode & 07777;
  // The owner before the mode and the attributes: a change of owner clears setuid bits and
  // capabilities.
  const bool ownerKept = Sys().fchown(to, st.st_uid, st.st_gid) == 0;
  if (!ownerKept) mode &= ~mode_t{S_ISUID | S_ISGID};
  // The process made `to`, so only a file system that keeps no modes (FAT) refuses these.
  Sys().fchmod(to, mode);
  CopyExtendedAttributes(from, to);
  return ownerKept;
}

std::error_code CreateTemporary(int dirfd, std::string_view stem, std::string& name, int& fd) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    name = TemporaryName(stem);
    fd = Sys().openat(dirfd, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                      0600);
    if (fd >= 0) {
      // Not every file system locks (some FUSE drivers); the name and its age still tell.
      Sys().flock(fd, LOCK_EX | LOCK_NB);
      return {};
    }
    if (errno != EEXIST) return SystemError(errno);
  }
  return MakeError(FileError::NoFreeName);
}

std::error_code LinkUnnamed(int fd, int dirfd, const std::string& name) {
  const std::string self = "/proc/self/fd/" + std::to_string(fd);
  if (Sys().linkat(AT_FDCWD, self.c_str(), dirfd, name.c_str(), AT_SYMLINK_FOLLOW) == 0) return {};
  return SystemError(errno);
}

bool CanLinkUnnamed() {
  struct stat st {};
  return Sys().fstatat(AT_FDCWD, "/proc/self/fd", &st, 0) == 0 && S_ISDIR(st.st_mode);
}

void RemoveIfStale(int dirfd, const std::string& name, bool sharedMount, bool writerGone) {
  constexpr std::time_t kRecent = 10 * 60;
  Fd file(Sys().openat(dirfd, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0));
  if (file.fd < 0 && errno == ELOOP) {
    struct stat link {};
    if (Sys().fstatat(dirfd, name.c_str(), &link, AT_SYMLINK_NOFOLLOW) == 0 &&
        S_ISLNK(link.st_mode) &&
        (writerGone || std::time(nullptr) - link.st_ctim.tv_sec >= kRecent))
      Sys().unlinkat(dirfd, name.c_str(), 0);
    return;
  }
  if (file.fd < 0) return;
  // A lock held is a live writer's; a file system without locks says nothing, unless the
  // writer is known to be gone.
  if (Sys().flock(file.fd, LOCK_EX | LOCK_NB) != 0 && (errno == EWOULDBLOCK || !writerGone)) return;
  struct stat st {};
  if (Sys().fstat(file.fd, &st) != 0 || !S_ISREG(st.st_mode)) return;
  // Another machine's lock is not seen here; its writer changes the file as it goes.
  if (sharedMount && std::time(nullptr) - st.st_ctim.tv_sec < kRecent) return;
  Sys().unlinkat(dirfd, name.c_str(), 0);
}

}  // namespace linux_calls
}  // namespace zantovel
