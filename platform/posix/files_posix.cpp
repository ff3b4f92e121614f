#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "platform/error.h"
#include "platform/files.h"

namespace zantovel {
namespace {

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

// Copies `size` bytes inside the kernel: copy_file_range shares blocks where the file system
// can (a reflink on XFS or Btrfs) and copies them otherwise. A plain read/write loop serves
// file systems that offer neither.
bool CopyContent(int from, int to, off_t size) {
  off_t done = 0;
  while (done < size) {
    const ssize_t n =
        copy_file_range(from, nullptr, to, nullptr, static_cast<std::size_t>(size - done), 0);
    if (n > 0) {
      done += n;
      continue;
    }
    if (n == 0) return true;  // the file shrank while it was copied
    if (errno == EINTR) continue;
    if (done == 0 && (errno == EXDEV || errno == ENOSYS || errno == EOPNOTSUPP || errno == EINVAL))
      break;
    return false;
  }
  if (done >= size) return true;
  std::array<char, 1 << 16> buffer;  // left uninitialised: read() fills it
  for (;;) {
    const ssize_t got = read(from, buffer.data(), buffer.size());
    if (got == 0) return true;
    if (got < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    for (ssize_t put = 0; put < got;) {
      const ssize_t n = write(to, buffer.data() + put, static_cast<std::size_t>(got - put));
      if (n < 0) {
        if (errno == EINTR) continue;
        return false;
      }
      put += n;
    }
  }
}

// Gives the unnamed file `fd` the name `to`; fails with EEXIST when the name is taken.
int LinkUnnamed(int fd, const std::string& to) {
  const std::string self = "/proc/self/fd/" + std::to_string(fd);
  if (linkat(AT_FDCWD, self.c_str(), AT_FDCWD, to.c_str(), AT_SYMLINK_FOLLOW) == 0) return 0;
  const int error = errno;
  // Without /proc, only the privileged AT_EMPTY_PATH form can name an open file.
  if (error == ENOENT && access("/proc/self/fd", F_OK) != 0)
    return linkat(fd, "", AT_FDCWD, to.c_str(), AT_EMPTY_PATH);
  errno = error;
  return -1;
}

// `what` is the sentence a failure starts with, naming both paths.
CopyOutcome CopyLink(const std::string& from, const std::string& to, const struct stat& st,
                     const std::string& what) {
  // One byte more than a link can hold, so a target cut short cannot pass unnoticed.
  std::string target(std::max<std::size_t>(static_cast<std::size_t>(st.st_size), PATH_MAX) + 1,
                     '\0');
  const ssize_t n = readlink(from.c_str(), target.data(), target.size());
  if (n < 0) Fail("Cannot read link " + Quoted(from), errno);
  if (static_cast<std::size_t>(n) == target.size())
    Fail("Cannot read link " + Quoted(from), ENAMETOOLONG);
  target.resize(static_cast<std::size_t>(n));
  if (symlink(target.c_str(), to.c_str()) != 0) {
    if (errno == EEXIST) return CopyOutcome::TargetExists;
    Fail(what, errno);
  }
  const std::array<timespec, 2> times{st.st_atim, st.st_mtim};
  utimensat(AT_FDCWD, to.c_str(), times.data(), AT_SYMLINK_NOFOLLOW);
  return CopyOutcome::Copied;
}

// Where O_TMPFILE is not offered: a hidden temporary name, linked to the new name and removed.
// Only this path can leave a stray file behind, and only if the process is killed mid-copy.
CopyOutcome CopyViaTemporaryName(const std::string& folder, int source, const struct stat& st,
                                 const std::string& to, const std::string& what) {
  std::string temp = JoinPath(folder, ".zantovel-copy-XXXXXX");
  Fd out(mkostemp(temp.data(), O_CLOEXEC));
  if (out.fd < 0) Fail(what, errno);
  const auto failAndRemove = [&](int error) {
    unlink(temp.c_str());
    Fail(what, error);
  };
  const std::array<timespec, 2> times{st.st_atim, st.st_mtim};
  if (!CopyContent(source, out.fd, st.st_size) || fchmod(out.fd, st.st_mode & 07777) != 0 ||
      futimens(out.fd, times.data()) != 0)
    failAndRemove(errno);
  const int linked = link(temp.c_str(), to.c_str());
  const int linkError = errno;
  unlink(temp.c_str());
  if (linked != 0) {
    if (linkError == EEXIST) return CopyOutcome::TargetExists;
    Fail(what, linkError);
  }
  return CopyOutcome::Copied;
}

}  // namespace

std::string JoinPath(std::string_view folder, std::string_view name) {
  std::string path(folder);
  if (path.empty() || path.back() != '/') path += '/';
  path += name;
  return path;
}

std::string GetFolderPath(const std::string& folderText) {
  const std::string what = "Cannot open folder " + Quoted(folderText);
  if (folderText.empty()) Fail(what, ENOENT);
  std::unique_ptr<char, decltype(&std::free)> resolved(realpath(folderText.c_str(), nullptr),
                                                       &std::free);
  if (!resolved) Fail(what, errno);
  struct stat st {};
  if (stat(resolved.get(), &st) != 0) Fail(what, errno);
  if (!S_ISDIR(st.st_mode)) Fail(what, ENOTDIR);
  return resolved.get();
}

std::vector<std::string> ListFolderFiles(const std::string& folder) {
  const auto closeDir = [](DIR* d) { closedir(d); };
  std::unique_ptr<DIR, decltype(closeDir)> dir(opendir(folder.c_str()), closeDir);
  if (!dir) Fail("Cannot list folder " + Quoted(folder), errno);
  std::vector<std::string> names;
  for (;;) {
    errno = 0;
    const dirent* entry = readdir(dir.get());
    if (entry == nullptr) {
      if (errno != 0) Fail("Cannot list folder " + Quoted(folder), errno);
      break;
    }
    unsigned char type = entry->d_type;
    if (type == DT_UNKNOWN) {
      struct stat st {};
      if (fstatat(dirfd(dir.get()), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
      type = S_ISREG(st.st_mode) ? DT_REG : S_ISLNK(st.st_mode) ? DT_LNK : DT_DIR;
    }
    if (type == DT_REG || type == DT_LNK) names.emplace_back(entry->d_name);
  }
  std::sort(names.begin(), names.end());
  return names;
}

CopyOutcome CopyFileNoReplace(const std::string& folder, const std::string& name,
                              const std::string& newName) {
  const std::string from = JoinPath(folder, name);
  const std::string to = JoinPath(folder, newName);
  const std::string what = "Cannot copy " + Quoted(from) + " to " + Quoted(to);

  struct stat st {};
  // O_NONBLOCK: should the name have become a pipe since the listing, the open must not wait.
  // O_NOFOLLOW: a link is copied as a link, its target never opened.
  Fd source(open(from.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
  if (source.fd < 0) {
    const int error = errno;
    if (error == ELOOP && lstat(from.c_str(), &st) == 0 && S_ISLNK(st.st_mode))
      return CopyLink(from, to, st, what);
    Fail(what, error);
  }
  if (fstat(source.fd, &st) != 0) Fail(what, errno);
  if (!S_ISREG(st.st_mode)) Fail(what, EINVAL);

  // An unnamed file in the folder: nothing is visible until it is complete and linked, and a
  // failure or a kill leaves nothing behind.
  Fd out(open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600));
  if (out.fd < 0) {
    if (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL)
      return CopyViaTemporaryName(folder, source.fd, st, to, what);
    Fail(what, errno);
  }
  if (!CopyContent(source.fd, out.fd, st.st_size)) Fail(what, errno);
  if (fchmod(out.fd, st.st_mode & 07777) != 0) Fail(what, errno);
  const std::array<timespec, 2> times{st.st_atim, st.st_mtim};
  if (futimens(out.fd, times.data()) != 0) Fail(what, errno);
  if (LinkUnnamed(out.fd, to) != 0) {
    if (errno == EEXIST) return CopyOutcome::TargetExists;
    Fail(what, errno);
  }
  return CopyOutcome::Copied;
}

void RemoveFile(const std::string& folder, const std::string& name) {
  const std::string path = JoinPath(folder, name);
  if (unlink(path.c_str()) != 0) Fail("Cannot delete " + Quoted(path), errno);
}

bool IsRegularFile(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

void AppendToFile(const std::string& path, std::string_view data, bool create) {
  const int flags = O_WRONLY | O_APPEND | O_CLOEXEC | O_NONBLOCK | (create ? O_CREAT : 0);
  Fd file(open(path.c_str(), flags, 0666));
  if (file.fd < 0) Fail("Cannot open log " + Quoted(path), errno);
  // One write for the whole line, so a line is either in the file whole or not at all.
  std::size_t put = 0;
  while (put < data.size()) {
    const ssize_t n = write(file.fd, data.data() + put, data.size() - put);
    if (n < 0) {
      if (errno == EINTR) continue;
      Fail("Cannot write log " + Quoted(path), errno);
    }
    put += static_cast<std::size_t>(n);
  }
  const int closed = close(file.fd);
  file.fd = -1;
  if (closed != 0) Fail("Cannot write log " + Quoted(path), errno);
}

std::optional<std::string> ReadWholeFile(const std::string& path) {
  // Called for every log line, so a small file is read with one call: a read that returns
  // less than was asked for has met the end of a regular file.
  Fd file(open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  if (file.fd < 0) return std::nullopt;
  std::string content;
  std::array<char, 1 << 16> buffer;  // left uninitialised: read() fills it
  for (;;) {
    const ssize_t n = read(file.fd, buffer.data(), buffer.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return std::nullopt;  // a folder, among others
    }
    content.append(buffer.data(), static_cast<std::size_t>(n));
    if (static_cast<std::size_t>(n) < buffer.size()) return content;
  }
}

bool ReplaceFileContent(const std::string& path, std::string_view content) {
  const auto slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  std::string temp = JoinPath(folder, "." + name + ".XXXXXX");
  Fd out(mkostemp(temp.data(), O_CLOEXEC));
  if (out.fd < 0) return false;

  struct stat old {};
  mode_t mode = 0;
  if (stat(path.c_str(), &old) == 0) {
    mode = old.st_mode & 07777;
  } else {
    mode = umask(0);
    umask(mode);
    mode = 0666 & ~mode;
  }
  bool ok = fchmod(out.fd, mode) == 0;
  for (std::size_t put = 0; ok && put < content.size();) {
    const ssize_t n = write(out.fd, content.data() + put, content.size() - put);
    if (n < 0 && errno == EINTR) continue;
    ok = n > 0;
    if (ok) put += static_cast<std::size_t>(n);
  }
  ok = ok && fsync(out.fd) == 0;
  ok = close(out.fd) == 0 && ok;
  out.fd = -1;
  ok = ok && rename(temp.c_str(), path.c_str()) == 0;
  if (!ok) unlink(temp.c_str());
  return ok;
}

}  // namespace zantovel
