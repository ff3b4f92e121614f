#pragma once

#include <sys/stat.h>

#include <optional>
#include <string>
#include <string_view>

#include "platform/files.h"
#include "platform/linux/system_calls.h"

// What the Linux file code for copies and for the settings file share.
namespace zantovel::linux_calls {

// Owns one file descriptor for the length of one operation.
struct Fd {
  int fd = -1;
  explicit Fd(int f) : fd(f) {}
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  // Only for descriptors read from, or given up on: their close has nothing to report.
  ~Fd() {
    if (fd >= 0) Sys().close(fd);
  }
};

FileId IdOf(const struct stat& st);

// Errors by which a file system says that it does not offer an operation at all.
bool NotOffered(int error);

// Writes all of data at the file's offset, going on after interruptions and short writes.
// Returns how many bytes were written; when that is fewer than data.size(), errno says why.
std::size_t WriteAll(int fd, std::string_view data);

// The whole content of an open file, or nothing (errno set) when it cannot be read.
std::optional<std::string> ReadAll(int fd);

// Gives the new file `to` the owner, group, mode and extended attributes (ACL and
// capabilities included) of `from`, whose status is st. Returns whether the owner and group
// could be kept; when they could not, the setuid and setgid bits are dropped, so that a copy
// never runs with the rights of an owner who did not write it.
bool CopyOwnerModeAndAttributes(int from, int to, const struct stat& st);

// Creates a new, empty file under a fresh TemporaryName(stem) in the folder, open as fd, and
// locks it for as long as it is open, so that no other pass takes it for a leftover.
std::error_code CreateTemporary(int dirfd, std::string_view stem, std::string& name, int& fd);

// Gives the unnamed file fd the name `name` in the folder dirfd; fails with EEXIST when the
// name is taken, so the test for a free name and the creation are a single step.
std::error_code LinkUnnamed(int fd, int dirfd, const std::string& name);

// Whether unnamed files can be linked in: that goes through /proc.
bool CanLinkUnnamed();

// Removes the temporary `name` in dirfd unless a writer still holds it or, where sharedMount,
// it changed in the last ten minutes. A link, which takes no lock, is removed only when it
// changed longer ago than that, or when writerGone says its maker has ended.
void RemoveIfStale(int dirfd, const std::string& name, bool sharedMount, bool writerGone = false);

}  // namespace zantovel::linux_calls
