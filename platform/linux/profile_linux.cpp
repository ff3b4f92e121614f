// Profile strings where the system has no functions for them: the settings file is read and
// written whole, by the rules platform/profile.h gives.
#include <cerrno>
#include <climits>
#include <functional>

#include "platform/error.h"
#include "platform/files.h"
#include "platform/linux/file_ops.h"
#include "platform/profile.h"

namespace zantovel {

using namespace linux_calls;

namespace {

std::vector<long long> StampOf(const struct stat& st) {
  return {static_cast<long long>(st.st_dev),
          static_cast<long long>(st.st_ino),
          static_cast<long long>(st.st_size),
          st.st_mtim.tv_sec,
          st.st_mtim.tv_nsec,
          st.st_ctim.tv_sec,
          st.st_ctim.tv_nsec};
}

}  // namespace

// The file's content, read again only when its status changed since the cache was filled.
const std::optional<std::string>& native::ReadProfileBytes(const std::string& path,
                                                           ProfileCache& cache) {
  struct stat st {};
  if (Sys().fstatat(AT_FDCWD, path.c_str(), &st, 0) != 0) {
    cache = {};
    return cache.content;
  }
  std::vector<long long> stamp = StampOf(st);
  if (cache.path == path && cache.stamp == stamp) return cache.content;
  cache = {path, std::move(stamp), std::nullopt, {}};  // the values go with the old content
  if (!S_ISREG(st.st_mode) || static_cast<std::size_t>(st.st_size) > kLargestProfile)
    return cache.content;
  Fd file(Sys().openat(AT_FDCWD, path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC, 0));
  if (file.fd >= 0) cache.content = ReadAll(file.fd);
  // A file that changed while it was read is read again next time.
  if (cache.content && (Sys().fstat(file.fd, &st) != 0 || StampOf(st) != cache.stamp))
    cache.stamp.clear();
  if (cache.content && cache.content->size() > kLargestProfile) cache.content.reset();
  return cache.content;
}

namespace {

// Writes content to a new file beside the old one (name in the folder dirfd) and renames it
// over the old one, with the old file's owner, group, mode and attributes. Returns false,
// leaving nothing behind, when that cannot be done: the save is then made in place, and the
// reason that counts is that one's.
bool WriteBeside(int dirfd, const std::string& name, int oldFile, const struct stat* old,
                 std::string_view content) {
  const std::string stem = "." + name + ".";
  std::string temporary;
  Fd out(-1);
  if (CanLinkUnnamed()) out.fd = Sys().openat(dirfd, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
  if (out.fd < 0 && CreateTemporary(dirfd, stem, temporary, out.fd)) return false;
  const auto abandon = [&] {
    if (!temporary.empty()) Sys().unlinkat(dirfd, temporary.c_str(), 0);
    return false;
  };
  if (old != nullptr) {
    // A file whose owner cannot be kept is better written in place than handed to the saver.
    if (!CopyOwnerModeAndAttributes(oldFile, out.fd, *old)) return abandon();
  } else {
    const mode_t mask = umask(0);
    umask(mask);
    if (Sys().fchmod(out.fd, 0666 & ~mask) != 0) return abandon();
  }
  // The content on disk before the name: after a power cut the file is old or new, never empty.
  if (WriteAll(out.fd, content) < content.size() || Sys().fsync(out.fd) != 0) return abandon();
  for (int attempt = 0; temporary.empty() && attempt < 100; ++attempt) {
    const std::string candidate = TemporaryName(stem);
    const std::error_code error = LinkUnnamed(out.fd, dirfd, candidate);
    if (!error)
      temporary = candidate;
    else if (error != std::errc::file_exists)
      return false;
  }
  if (temporary.empty()) return false;
  if (Sys().renameat(dirfd, temporary.c_str(), dirfd, name.c_str()) != 0) return abandon();
  // The rename on disk too, or a power cut could bring the old file back.
  Sys().fsync(dirfd);
  return true;
}

// Writes content over the file itself, for where no file can be made beside it.
std::error_code WriteInPlace(int dirfd, const std::string& name, bool exists,
                             std::string_view content) {
  Fd file(Sys().openat(dirfd, name.c_str(),
                       O_WRONLY | O_CLOEXEC | O_NONBLOCK | (exists ? 0 : O_CREAT), 0666));
  // Cut to the new length, so nothing of a longer old content stays behind it.
  if (file.fd < 0 || WriteAll(file.fd, content) < content.size() ||
      Sys().ftruncate(file.fd, static_cast<off_t>(content.size())) != 0 ||
      Sys().fsync(file.fd) != 0)
    return SystemError(errno);
  return {};
}

// The file a settings path stands for: a link is followed to the file it names, even where
// that file does not exist yet.
std::optional<std::string> LinkTarget(const std::string& path) {
  std::string target = path;
  for (int depth = 0; depth < 40; ++depth) {
    struct stat link {};
    if (Sys().fstatat(AT_FDCWD, target.c_str(), &link, AT_SYMLINK_NOFOLLOW) != 0 ||
        !S_ISLNK(link.st_mode))
      return target;
    std::string next(static_cast<std::size_t>(link.st_size) + PATH_MAX, '\0');
    const ssize_t n = Sys().readlinkat(AT_FDCWD, target.c_str(), next.data(), next.size());
    if (n < 0) return std::nullopt;
    next.resize(static_cast<std::size_t>(n));
    const auto slash = target.rfind('/');
    if (!next.empty() && next.front() != '/' && slash != std::string::npos)
      next = target.substr(0, slash + 1) + next;
    target = next;
  }
  return std::nullopt;
}

}  // namespace

std::error_code native::ReplaceProfileBytes(
    const std::string& path, const std::function<std::string(std::string_view)>& transform) {
  const std::optional<std::string> target = LinkTarget(path);
  if (!target) return SystemError(errno);
  const auto slash = target->rfind('/');
  const std::string folder = slash == std::string::npos ? "." : target->substr(0, slash + 1);
  const std::string name = slash == std::string::npos ? *target : target->substr(slash + 1);

  Fd dir(Sys().openat(AT_FDCWD, folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC, 0));
  if (dir.fd < 0) return SystemError(errno);
  // Whole saves take turns, so two windows closing at once never mix their values.
  while (Sys().flock(dir.fd, LOCK_EX) != 0)
    if (errno != EINTR) return SystemError(errno);
  // What killed saves left: temporaries nobody holds.
  if (Fd listing(Sys().openat(dir.fd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC, 0)); listing.fd >= 0)
    if (DIR* entries = Sys().fdopendir(listing.fd)) {
      listing.fd = -1;  // the listing owns it now
      while (const dirent* entry = Sys().readdir(entries))
        if (IsTemporaryName(entry->d_name, "." + name + "."))
          RemoveIfStale(dir.fd, entry->d_name, false);
      closedir(entries);
    }

  Fd old(Sys().openat(dir.fd, name.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC, 0));
  struct stat st {};
  std::optional<std::string> content;
  if (old.fd >= 0) {
    if (Sys().fstat(old.fd, &st) != 0) return SystemError(errno);
    if (!S_ISREG(st.st_mode)) return MakeError(FileError::NotRegular);
    if (static_cast<std::size_t>(st.st_size) > kLargestProfile)
      return MakeError(FileError::TooLarge);
    // A file made read-only, or that this user may not write, is not the user's to change.
    if ((st.st_mode & 0222) == 0 || Sys().faccessat(dir.fd, name.c_str(), W_OK, AT_EACCESS) != 0)
      return MakeError(FileError::ReadOnly);
    content = ReadAll(old.fd);
  } else if (errno == ENOENT) {
    content = "";
  }
  // A file that cannot be read is not replaced by one key alone.
  if (!content) return SystemError(errno);
  const std::string next = transform(*content);
  if (old.fd >= 0 && next == *content) return {};
  if (WriteBeside(dir.fd, name, old.fd, old.fd >= 0 ? &st : nullptr, next)) return {};
  return WriteInPlace(dir.fd, name, old.fd >= 0, next);
}

std::string native::LegacyToUtf8(std::string_view bytes) {
  // Linux names and files carry no code page: the bytes are kept as they are.
  return std::string(bytes);
}

std::string native::Utf8ForLegacyFile(std::string_view text) {
  return std::string(text);
}

}  // namespace zantovel
