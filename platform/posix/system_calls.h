#pragma once

#include <dirent.h>
#include <fcntl.h>
#include <sys/types.h>
#include <unistd.h>

// The system calls of the file code whose failures real file systems give rarely or never on
// demand: interruptions, short writes, file systems without a call, a folder or link that
// cannot be read. The file code calls them through this table so that tests can make any of
// them fail; the program itself never changes it.
namespace zantovel::posix {

struct SystemCalls {
  int (*openat)(int, const char*, int, mode_t) = [](int dir, const char* path, int flags,
                                                    mode_t mode) {
    return ::openat(dir, path, flags, mode);
  };
  ssize_t (*read)(int, void*, size_t) = ::read;
  ssize_t (*write)(int, const void*, size_t) = ::write;
  off_t (*lseek)(int, off_t, int) = ::lseek;
  ssize_t (*copy_file_range)(int, loff_t*, int, loff_t*, size_t, unsigned) = ::copy_file_range;
  int (*ftruncate)(int, off_t) = ::ftruncate;
  int (*fdatasync)(int) = ::fdatasync;
  int (*fsync)(int) = ::fsync;
  int (*syncfs)(int) = ::syncfs;
  dirent* (*readdir)(DIR*) = ::readdir;
  ssize_t (*readlinkat)(int, const char*, char*, size_t) = ::readlinkat;
  int (*renameat2)(int, const char*, int, const char*, unsigned) = ::renameat2;
  int (*linkat)(int, const char*, int, const char*, int) = ::linkat;
};

// The table the file code calls through.
SystemCalls& Sys();

}  // namespace zantovel::posix
