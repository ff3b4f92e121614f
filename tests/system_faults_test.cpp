// Failures of system calls that real file systems give rarely or never on demand, injected
// through the file code's table of system calls: every fallback and error branch runs, and
// each leaves the folder as it should be. Real faults (FUSE, full disks, immutable files) are
// tested with the real thing in safety_test.cpp and faults_test.cpp.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "platform/error.h"
#include "platform/files.h"
#include "platform/posix/system_calls.h"
#include "rename/rename_pass.h"
#include "tests/pass_fixture.h"

namespace zantovel::test {
namespace {

namespace fs = std::filesystem;
using posix::Sys;
using posix::SystemCalls;

// How many times a faulty call has run in this case; the fault functions below must be
// captureless to fit the table, so they count here.
int calls = 0;

ssize_t FailWith(int error) {
  errno = error;
  return -1;
}

enum class Operation { Rename, Copy, CopyLink, List, Flush, Log, Save };

struct Fault {
  const char* what;
  Operation operation;
  void (*install)(SystemCalls&);
  const char* failure;  // the end of the error text, or nothing when the operation succeeds
};

// Renames and copies that go the long way.
void NoRenameNoReplace(SystemCalls& s) {
  s.renameat2 = [](int, const char*, int, const char*, unsigned) -> int {
    return FailWith(EINVAL);
  };
}
void NoHardLinks(SystemCalls& s) {
  s.linkat = [](int, const char*, int, const char*, int) -> int { return FailWith(EPERM); };
}
void NoUnnamedFiles(SystemCalls& s) {
  s.openat = [](int dir, const char* path, int flags, mode_t mode) {
    if ((flags & O_TMPFILE) == O_TMPFILE) return static_cast<int>(FailWith(EOPNOTSUPP));
    return ::openat(dir, path, flags, mode);
  };
}
void NoCopyFileRange(SystemCalls& s) {
  s.copy_file_range = [](int, loff_t*, int, loff_t*, size_t, unsigned) -> ssize_t {
    return FailWith(EXDEV);
  };
}

const Fault kFaults[] = {
    // The copy's content.
    {"copy_file_range across devices", Operation::Copy, NoCopyFileRange, nullptr},
    {"copy_file_range missing from the kernel", Operation::Copy,
     [](SystemCalls& s) {
       s.copy_file_range = [](int, loff_t*, int, loff_t*, size_t, unsigned) -> ssize_t {
         return FailWith(ENOSYS);
       };
     },
     nullptr},
    {"copy_file_range interrupted", Operation::Copy,
     [](SystemCalls& s) {
       s.copy_file_range = [](int in, loff_t* from, int out, loff_t* to, size_t n,
                              unsigned flags) -> ssize_t {
         if (calls++ == 0) return FailWith(EINTR);
         return ::copy_file_range(in, from, out, to, n, flags);
       };
     },
     nullptr},
    {"copy_file_range fails", Operation::Copy,
     [](SystemCalls& s) {
       s.copy_file_range = [](int, loff_t*, int, loff_t*, size_t, unsigned) -> ssize_t {
         return FailWith(EIO);
       };
     },
     "Input/output error"},
    {"plain read interrupted", Operation::Copy,
     [](SystemCalls& s) {
       NoCopyFileRange(s);
       s.read = [](int fd, void* buffer, size_t n) -> ssize_t {
         if (calls++ == 0) return FailWith(EINTR);
         return ::read(fd, buffer, n);
       };
     },
     nullptr},
    {"plain read fails", Operation::Copy,
     [](SystemCalls& s) {
       NoCopyFileRange(s);
       s.read = [](int, void*, size_t) -> ssize_t { return FailWith(EIO); };
     },
     "Input/output error"},
    {"plain writes fall short", Operation::Copy,
     [](SystemCalls& s) {
       NoCopyFileRange(s);
       s.write = [](int fd, const void* data, size_t n) {
         return ::write(fd, data, std::min<size_t>(n, 1000));
       };
     },
     nullptr},
    {"plain write fails", Operation::Copy,
     [](SystemCalls& s) {
       NoCopyFileRange(s);
       s.write = [](int, const void*, size_t) -> ssize_t { return FailWith(ENOSPC); };
     },
     "No space left on device"},
    {"holes cannot be told", Operation::Copy,
     [](SystemCalls& s) {
       s.lseek = [](int fd, off_t offset, int whence) -> off_t {
         if (whence == SEEK_DATA) return FailWith(EINVAL);
         return ::lseek(fd, offset, whence);
       };
     },
     nullptr},
    {"flushing the copy fails", Operation::Copy,
     [](SystemCalls& s) { s.fdatasync = [](int) -> int { return FailWith(EIO); }; },
     "Input/output error"},
    {"linking the copy in fails", Operation::Copy,
     [](SystemCalls& s) {
       s.linkat = [](int, const char*, int, const char*, int) -> int { return FailWith(EIO); };
     },
     "Input/output error"},
    // The copy under a temporary name, where there are no unnamed files.
    {"no unnamed files", Operation::Copy, NoUnnamedFiles, nullptr},
    {"no unnamed files, no RENAME_NOREPLACE, no hard links", Operation::Copy,
     [](SystemCalls& s) {
       NoUnnamedFiles(s);
       NoRenameNoReplace(s);
       NoHardLinks(s);
     },
     nullptr},
    {"no unnamed files and the flush fails", Operation::Copy,
     [](SystemCalls& s) {
       NoUnnamedFiles(s);
       s.fdatasync = [](int) -> int { return FailWith(EIO); };
     },
     "Input/output error"},
    {"no unnamed files and the rename fails", Operation::Copy,
     [](SystemCalls& s) {
       NoUnnamedFiles(s);
       s.renameat2 = [](int, const char*, int, const char*, unsigned) -> int {
         return FailWith(EIO);
       };
     },
     "Input/output error"},
    // Links.
    {"reading a link fails", Operation::CopyLink,
     [](SystemCalls& s) {
       s.readlinkat = [](int, const char*, char*, size_t) -> ssize_t { return FailWith(EIO); };
     },
     "Input/output error"},
    {"a link that grew while it was read", Operation::CopyLink,
     [](SystemCalls& s) {
       s.readlinkat = [](int, const char*, char* buffer, size_t size) -> ssize_t {
         std::memset(buffer, 'x', size);
         return static_cast<ssize_t>(size);
       };
     },
     "File name too long"},
    // The rename.
    {"no RENAME_NOREPLACE", Operation::Rename, NoRenameNoReplace, nullptr},
    {"no RENAME_NOREPLACE, no hard links", Operation::Rename,
     [](SystemCalls& s) {
       NoRenameNoReplace(s);
       NoHardLinks(s);
     },
     nullptr},
    {"no RENAME_NOREPLACE and the link fails", Operation::Rename,
     [](SystemCalls& s) {
       NoRenameNoReplace(s);
       s.linkat = [](int, const char*, int, const char*, int) -> int { return FailWith(EIO); };
     },
     "Input/output error"},
    {"the rename fails", Operation::Rename,
     [](SystemCalls& s) {
       s.renameat2 = [](int, const char*, int, const char*, unsigned) -> int {
         return FailWith(EIO);
       };
     },
     "Input/output error"},
    // The folder.
    {"reading the folder fails", Operation::List,
     [](SystemCalls& s) {
       s.readdir = [](DIR*) -> dirent* {
         errno = EIO;
         return nullptr;
       };
     },
     "Input/output error"},
    {"flushing the folder is not offered", Operation::Flush,
     [](SystemCalls& s) { s.fsync = [](int) -> int { return FailWith(EINVAL); }; }, nullptr},
    {"flushing the folder fails", Operation::Flush,
     [](SystemCalls& s) { s.fsync = [](int) -> int { return FailWith(EIO); }; },
     "Input/output error"},
    // The log.
    {"a log line interrupted", Operation::Log,
     [](SystemCalls& s) {
       s.write = [](int fd, const void* data, size_t n) -> ssize_t {
         if (calls++ == 0) return FailWith(EINTR);
         return ::write(fd, data, n);
       };
     },
     nullptr},
    {"a log line written in parts", Operation::Log,
     [](SystemCalls& s) {
       s.write = [](int fd, const void* data, size_t n) {
         return ::write(fd, data, std::min<size_t>(n, 50));
       };
     },
     nullptr},
    {"a log line cut short by a full disk", Operation::Log,
     [](SystemCalls& s) {
       s.write = [](int fd, const void* data, size_t n) -> ssize_t {
         if (calls++ == 0) return ::write(fd, data, std::min<size_t>(n, 50));
         return FailWith(ENOSPC);
       };
     },
     "No space left on device"},
    // The settings file.
    {"settings where there are no unnamed files", Operation::Save, NoUnnamedFiles, nullptr},
    {"settings whose new file cannot be written", Operation::Save,
     [](SystemCalls& s) {
       s.write = [](int fd, const void* data, size_t n) -> ssize_t {
         if (calls++ == 0) return FailWith(ENOSPC);
         return ::write(fd, data, n);
       };
     },
     nullptr},
    {"settings that cannot be written at all", Operation::Save,
     [](SystemCalls& s) {
       s.write = [](int, const void*, size_t) -> ssize_t { return FailWith(ENOSPC); };
     },
     "not saved"},
};

class SystemFaultTest : public ::testing::Test {
 protected:
  void TearDown() override { Sys() = SystemCalls(); }

  TempDir dir;
};

TEST_F(SystemFaultTest, EveryFallbackWorksAndEveryFailureLeavesTheFolderAsItWas) {
  std::string content(200 * 1024, '\0');
  std::mt19937 random(3);
  for (char& c : content) c = static_cast<char>(random());
  const std::string line = std::string(200, 'l') + "\r\n";

  for (const Fault& fault : kFaults) {
    SCOPED_TRACE(fault.what);
    const std::string folder = dir / "f";
    fs::remove_all(folder);
    fs::create_directory(folder);
    WriteFile(folder + "/x.tmp", content);
    fs::create_symlink("x.tmp", folder + "/l.tmp");
    WriteFile(folder + "/s.ini", "old");
    const std::string log = folder + "/s.log";
    WriteFile(log, "");

    calls = 0;
    std::string error;
    bool saved = true;
    std::vector<std::string> listed;
    {
      const Folder open(folder);
      fault.install(Sys());
      try {
        switch (fault.operation) {
          case Operation::Rename:
            EXPECT_EQ(open.MoveNoReplace("x.tmp", "a_x.tmp"), NewName::Made);
            break;
          case Operation::Copy:
            EXPECT_EQ(open.CopyNoReplace("x.tmp", "a_x.tmp"), NewName::Made);
            break;
          case Operation::CopyLink:
            EXPECT_EQ(open.CopyNoReplace("l.tmp", "a_l.tmp"), NewName::Made);
            break;
          case Operation::List:
            listed = open.ListFiles();
            break;
          case Operation::Flush:
            open.Flush();
            break;
          case Operation::Log: {
            AppendFile file;
            file.Open(log, false);
            file.Append(line);
            break;
          }
          case Operation::Save:
            saved = ReplaceFileContent(folder + "/s.ini", [](std::string_view) { return "new"; });
            if (!saved) error = "not saved";
            break;
        }
      } catch (const PlatformError& e) {
        error = e.what();
      }
      Sys() = SystemCalls();
    }

    if (fault.failure != nullptr) {
      EXPECT_TRUE(error.size() >= std::strlen(fault.failure) &&
                  error.compare(error.size() - std::strlen(fault.failure), std::string::npos,
                                fault.failure) == 0)
          << error;
    } else {
      EXPECT_EQ(error, "");
    }
    const bool failed = fault.failure != nullptr;
    std::vector<std::string> names = {"l.tmp", "s.ini", "s.log", "x.tmp"};
    if (!failed && fault.operation == Operation::Rename) names.back() = "a_x.tmp";
    if (!failed && fault.operation == Operation::Copy) names.insert(names.begin(), "a_x.tmp");
    if (!failed && fault.operation == Operation::CopyLink) names.insert(names.begin(), "a_l.tmp");
    std::sort(names.begin(), names.end());
    // Nothing else is left: no temporary, no part of a copy.
    EXPECT_EQ(FolderNames(folder), names);
    const auto is = [&](Operation operation) { return fault.operation == operation; };
    if (!failed && is(Operation::List)) {
      EXPECT_EQ(listed, (std::vector<std::string>{"l.tmp", "s.ini", "s.log", "x.tmp"}));
    }
    if (is(Operation::Rename) || is(Operation::Copy)) {
      const bool moved = !failed && is(Operation::Rename);
      EXPECT_EQ(ReadFile(folder + (moved ? "/a_x.tmp" : "/x.tmp")), content);
    }
    if (!failed && is(Operation::Copy)) {
      EXPECT_EQ(ReadFile(folder + "/a_x.tmp"), content);
    }
    if (!failed && is(Operation::CopyLink)) {
      EXPECT_EQ(fs::read_symlink(folder + "/a_l.tmp"), "x.tmp");
    }
    if (is(Operation::Log)) {
      EXPECT_EQ(ReadFile(log), failed ? "" : line);
    }
    if (is(Operation::Save)) {
      EXPECT_EQ(ReadFile(folder + "/s.ini"), failed ? "old" : "new");
    }
  }
}

// Where the file system has no RENAME_NOREPLACE, the fallbacks still never replace a name that
// is taken: the link fails on it, and where there are no links the look finds it.
TEST_F(SystemFaultTest, FallbacksNeverReplaceATakenName) {
  struct Case {
    const char* what;
    void (*install)(SystemCalls&);
  } cases[] = {
      {"no RENAME_NOREPLACE", NoRenameNoReplace},
      {"no RENAME_NOREPLACE, no hard links",
       [](SystemCalls& s) {
         NoRenameNoReplace(s);
         NoHardLinks(s);
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string folder = dir / "f";
    fs::remove_all(folder);
    fs::create_directory(folder);
    WriteFile(folder + "/x.tmp", "mine");
    WriteFile(folder + "/a_x.tmp", "someone else's");
    const Folder open(folder);
    c.install(Sys());
    const NewName made = open.MoveNoReplace("x.tmp", "a_x.tmp");
    Sys() = SystemCalls();
    EXPECT_EQ(made, NewName::Taken);
    EXPECT_EQ(ReadFile(folder + "/x.tmp"), "mine");
    EXPECT_EQ(ReadFile(folder + "/a_x.tmp"), "someone else's");
  }
}

// Copies are flushed and named in batches. A failure in the middle of a batch leaves every
// copy before it named and logged, and nothing of the copies after it.
std::string Name(int i) {
  const std::string digits = std::to_string(i);
  return "f" + std::string(3 - std::min<std::size_t>(3, digits.size()), '0') + digits;
}

class BatchTest : public PassTest {
 protected:
  void TearDown() override {
    Sys() = SystemCalls();
    PassTest::TearDown();
  }
};

TEST_F(BatchTest, AFailureInABatchKeepsWhatCameBeforeIt) {
  struct Case {
    const char* what;
    int files;
    void (*install)(SystemCalls&);
    int copied;           // how many copies are there afterwards
    int logged;           // how many files' "Renaming file" lines the log holds
    const char* failure;  // the end of the box's text, or nothing for "Done"
  } cases[] = {
      {"three batches", 300, [](SystemCalls&) {}, 300, 300, nullptr},
      {"the third file cannot be read", 5,
       [](SystemCalls& s) {
         s.openat = [](int dir, const char* path, int flags, mode_t mode) {
           if (std::strcmp(path, "f002") == 0) return static_cast<int>(FailWith(EIO));
           return ::openat(dir, path, flags, mode);
         };
       },
       2, 3, "f002\": Input/output error"},
      {"the batch's sync fails, each copy is flushed on its own", 5,
       [](SystemCalls& s) { s.syncfs = [](int) { return static_cast<int>(FailWith(EIO)); }; }, 5, 5,
       nullptr},
      {"the batch's sync fails, and so does the second copy's flush", 5,
       [](SystemCalls& s) {
         s.syncfs = [](int) { return static_cast<int>(FailWith(EIO)); };
         s.fdatasync = [](int fd) {
           if (++calls == 2) return static_cast<int>(FailWith(EIO));
           return ::fdatasync(fd);
         };
       },
       1, 2, "a_f001\": Input/output error"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    StartAfresh();
    for (int i = 0; i < c.files; ++i) WriteFile(folder + "/" + Name(i), Name(i));
    calls = 0;
    c.install(Sys());
    RunRenamePass(folder, "a_", "*.*");
    Sys() = SystemCalls();

    ASSERT_EQ(RecordedBoxes().size(), 1u);
    const std::string box = RecordedBoxes()[0].text;
    if (c.failure == nullptr) {
      EXPECT_EQ(box, "Done");
    } else {
      EXPECT_EQ(box.substr(box.size() - std::strlen(c.failure)), c.failure) << box;
    }
    const std::vector<std::string> names = FolderNames(folder);
    EXPECT_EQ(names.size(), static_cast<std::size_t>(c.files + c.copied));
    std::vector<std::string> expectedLog;
    for (int i = 0; i < c.logged; ++i) {
      const std::string name = Name(i);
      expectedLog.push_back("Renaming file: " + folder + name);
      if (i < c.copied) {
        expectedLog.push_back(folder + name + " renamed");
        EXPECT_EQ(ReadFile(folder + "/a_" + name), name);
      }
    }
    EXPECT_EQ(LogMessages(log), expectedLog);
  }
}

}  // namespace
}  // namespace zantovel::test
