#pragma once

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/types.h>
#include <sys/vfs.h>
#include <sys/xattr.h>
#include <unistd.h>

// Every system call of the Linux file code, in one table: tests make any of them fail, call by
// call, and the program itself never changes it. A path without a folder handle is given as
// AT_FDCWD.
namespace zantovel::linux_calls {

struct SystemCalls {
  int (*openat)(int, const char*, int, mode_t) = [](int dir, const char* path, int flags,
                                                    mode_t mode) {
    return ::openat(dir, path, flags, mode);
  };
  int (*close)(int) = ::close;
  ssize_t (*read)(int, void*, size_t) = ::read;
  ssize_t (*pread)(int, void*, size_t, off_t) = ::pread;
  ssize_t (*write)(int, const void*, size_t) = ::write;
  off_t (*lseek)(int, off_t, int) = ::lseek;
  ssize_t (*copy_file_range)(int, loff_t*, int, loff_t*, size_t, unsigned) = ::copy_file_range;
  int (*ftruncate)(int, off_t) = ::ftruncate;
  int (*fdatasync)(int) = ::fdatasync;
  int (*fsync)(int) = ::fsync;
  int (*syncfs)(int) = ::syncfs;
  int (*sync_file_range)(int, off_t, off_t, unsigned) = ::sync_file_range;
  DIR* (*fdopendir)(int) = ::fdopendir;
  dirent* (*readdir)(DIR*) = ::readdir;
  ssize_t (*readlinkat)(int, const char*, char*, size_t) = ::readlinkat;
  int (*renameat2)(int, const char*, int, const char*, unsigned) = ::renameat2;
  int (*renameat)(int, const char*, int, const char*) = ::renameat;
  int (*linkat)(int, const char*, int, const char*, int) = ::linkat;
  int (*unlinkat)(int, const char*, int) = ::unlinkat;
  int (*symlinkat)(const char*, int, const char*) = ::symlinkat;
  int (*fstatat)(int, const char*, struct stat*, int) = ::fstatat;
  int (*fstat)(int, struct stat*) = ::fstat;
  int (*statx)(int, const char*, int, unsigned, struct statx*) = ::statx;
  int (*fstatfs)(int, struct statfs*) = ::fstatfs;
  int (*statfs)(const char*, struct statfs*) = ::statfs;
  int (*mkdirat)(int, const char*, mode_t) = ::mkdirat;
  int (*flock)(int, int) = ::flock;
  int (*fchown)(int, uid_t, gid_t) = ::fchown;
  int (*fchownat)(int, const char*, uid_t, gid_t, int) = ::fchownat;
  int (*fchmod)(int, mode_t) = ::fchmod;
  int (*futimens)(int, const timespec*) = ::futimens;
  int (*utimensat)(int, const char*, const timespec*, int) = ::utimensat;
  int (*faccessat)(int, const char*, int, int) = ::faccessat;
  int (*set_blocking)(int) = [](int fd) {
    const int flags = ::fcntl(fd, F_GETFL);
    return flags < 0 ? -1 : ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
  };
  ssize_t (*flistxattr)(int, char*, size_t) = ::flistxattr;
  ssize_t (*fgetxattr)(int, const char*, void*, size_t) = ::fgetxattr;
  int (*fsetxattr)(int, const char*, const void*, size_t, int) = ::fsetxattr;
  int (*fremovexattr)(int, const char*) = ::fremovexattr;
};

// The table the file code calls through.
SystemCalls& Sys();

}  // namespace zantovel::linux_calls
