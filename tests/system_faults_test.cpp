// Every system call of the Linux file code fails in turn. For each operation (a typed pass, a
// copy pass, a settings save, a log line), the operation is run once to count its calls; then
// for every call N it reaches and every error that call can give, a fresh world is made, call N
// fails with that error, and the outcome is checked: the failure is reported with its
// sentence, or the operation went round it and did all of its work; no file is lost or
// changed, and nothing is left behind. Each sweep runs three times: on this file system, as on
// one without unnamed files, RENAME_NOREPLACE and copy_file_range (most FUSE drivers), and as
// on one without hard links either (FAT, exFAT).
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <type_traits>
#include <vector>

#include "platform/error.h"
#include "platform/files.h"
#include "platform/linux/system_calls.h"
#include "rename/rename_pass.h"
#include "rename/undo.h"
#include "tests/pass_fixture.h"

namespace zantovel::test {
namespace {

namespace fs = std::filesystem;
using linux_calls::Sys;
using linux_calls::SystemCalls;

// A short transfer instead of an error, for the calls that move bytes.
constexpr int kShort = -1;

// Which call fails, and how; and what the calls were.
struct Injection {
  bool active = false;
  int failAt = 0;  // the call that fails, counting from 1; 0 for none
  int error = 0;
  int calls = 0;
  std::vector<std::pair<const char*, const std::vector<int>*>> seen;  // when counting
  // The file system's shape: calls it does not offer at all.
  bool noUnnamedFiles = false, noRenameNoReplace = false, noHardLinks = false,
       noCopyFileRange = false;
} injected;

// 0 to go on with the real call, or the error this call is to fail with.
int Injected(const char* name, const std::vector<int>& errors) {
  if (!injected.active) return 0;
  ++injected.calls;
  if (injected.failAt == 0) injected.seen.emplace_back(name, &errors);
  return injected.calls == injected.failAt ? injected.error : 0;
}

template <auto Member>
struct Hook;
template <typename R, typename... A, R (*SystemCalls::*Member)(A...)>
struct Hook<Member> {
  static inline R (*real)(A...) = nullptr;
  static inline const char* name = nullptr;
  static inline std::vector<int> errors;

  static R Call(A... args) {
    const int error = Injected(name, errors);
    if (error == kShort) return Short(args...);
    if (error != 0) {
      errno = error;
      if constexpr (std::is_pointer_v<R>)
        return nullptr;
      else
        return R(-1);
    }
    return real(args...);
  }
  // Where the call's first size_t argument stands, or -1.
  static constexpr int SizeArgument() {
    int at = -1, i = 0;
    ((at = at < 0 && std::is_same_v<A, size_t> ? i : at, ++i), ...);
    return at;
  }
  // The call with half of what it was asked to move, as a pipe or a full disk gives it.
  static R Short(A... args) {
    if constexpr (std::is_same_v<R, ssize_t> && SizeArgument() >= 0) {
      auto tuple = std::make_tuple(args...);
      auto& size = std::get<SizeArgument()>(tuple);
      if (size > 1) size /= 2;
      return std::apply(real, tuple);
    }
    return real(args...);
  }
  static void Install(const char* callName, std::vector<int> callErrors) {
    real = Sys().*Member;
    name = callName;
    errors = std::move(callErrors);
    Sys().*Member = &Call;
  }
};

#define HOOK(call, ...) Hook<&SystemCalls::call>::Install(#call, {__VA_ARGS__})

void InstallHooks() {
  Sys() = SystemCalls();
  HOOK(openat, EACCES, EMFILE, EOPNOTSUPP);
  HOOK(close, EIO);
  HOOK(statx, EACCES, EIO);  // ENOENT would say a file is gone that is there
  HOOK(statfs, ENOSYS);
  HOOK(mkdirat, EACCES);
  HOOK(read, EIO, EINTR, kShort);
  HOOK(pread, EIO, EINTR, kShort);
  HOOK(write, ENOSPC, EINTR, kShort);
  HOOK(lseek, EINVAL);
  HOOK(copy_file_range, EXDEV, EIO, EINTR, kShort);
  HOOK(ftruncate, EIO);
  HOOK(fdatasync, EIO);
  HOOK(fsync, EIO, EINVAL);
  HOOK(syncfs, EIO);
  HOOK(sync_file_range, EIO);
  HOOK(fdopendir, ENOMEM);
  HOOK(readdir, EIO);
  HOOK(readlinkat, EIO);
  HOOK(renameat2, EINVAL, EACCES, EIO);
  HOOK(renameat, EACCES, EIO);
  HOOK(linkat, EPERM, ENOENT, EIO);
  HOOK(unlinkat, EACCES, EIO);
  HOOK(symlinkat, EACCES, EIO);
  HOOK(fstatat, EACCES, ENOENT);
  HOOK(fstat, EIO);
  HOOK(fstatfs, ENOSYS);
  HOOK(flock, EWOULDBLOCK, ENOLCK);
  HOOK(fchown, EPERM);
  HOOK(fchownat, EPERM);
  HOOK(fchmod, EPERM);
  HOOK(futimens, EPERM);
  HOOK(utimensat, EPERM);
  HOOK(faccessat, EACCES);
  HOOK(set_blocking, EINVAL);
  HOOK(flistxattr, EIO);
  HOOK(fgetxattr, EIO);
  HOOK(fsetxattr, ENOTSUP);
  HOOK(fremovexattr, ENODATA);
  // A close that fails has closed the descriptor all the same, as Linux does.
  static auto close = Sys().close;
  Sys().close = [](int fd) {
    const int result = close(fd);
    if (result != 0 && errno == EIO) ::close(fd);
    return result;
  };
  // The file system's shape, over the counting hooks.
  static auto openat = Sys().openat;
  Sys().openat = [](int dir, const char* path, int flags, mode_t mode) {
    if (injected.noUnnamedFiles && (flags & O_TMPFILE) == O_TMPFILE) return errno = EOPNOTSUPP, -1;
    return openat(dir, path, flags, mode);
  };
  static auto renameat2 = Sys().renameat2;
  Sys().renameat2 = [](int from, const char* a, int to, const char* b, unsigned flags) {
    if (injected.noRenameNoReplace) return errno = EINVAL, -1;
    return renameat2(from, a, to, b, flags);
  };
  static auto copy_file_range = Sys().copy_file_range;
  Sys().copy_file_range = [](int in, loff_t* from, int out, loff_t* to, size_t n, unsigned f) {
    if (injected.noCopyFileRange) return errno = EXDEV, ssize_t{-1};
    return copy_file_range(in, from, out, to, n, f);
  };
  static auto linkat = Sys().linkat;
  Sys().linkat = [](int from, const char* a, int to, const char* b, int flags) {
    if (injected.noHardLinks && (flags & AT_SYMLINK_FOLLOW) == 0) return errno = EPERM, -1;
    return linkat(from, a, to, b, flags);
  };
}

// One operation on a world of its own: Make lays it out, Do runs the operation and returns
// its failure's sentence ("" when it did all of its work), Check looks at what is left.
struct Operation {
  const char* what;
  std::function<void(const std::string& dir)> make;
  std::function<std::string(const std::string& dir)> run;
  std::function<void(const std::string& dir, const std::string& failure)> check;
};

// The files of a pass's folder: each content stays whole under its old name or its new one.
const std::map<std::string, std::string> kFiles = {
    {"x.tmp", "X content"},
    {"y.tmp", "Y content"},
    {"t_y.tmp", "taken"},                     // y.tmp's new name, already taken
    {".zantovel-copy-backup", "the user's"},  // looks like a temporary, is not one
};
const std::string kLeftover = ".zantovel-copy-0123456789abcdef0c93";

void MakePassFolder(const std::string& dir) {
  fs::create_directory(dir + "/f");
  for (const auto& [name, content] : kFiles) WriteFile(dir + "/f/" + name, content);
  ASSERT_EQ(symlink("x.tmp", (dir + "/f/l.tmp").c_str()), 0);
  WriteFile(dir + "/f/" + kLeftover, "half a copy");
  WriteFile(dir + "/zantovel.ini", "[Settings]\r\nAppLog=" + dir + "/run.log\r\n");
}

// A pass, with its journal in dir when journalled.
std::string RunPass(const std::string& dir, const std::string& prefix, const std::string& type,
                    bool journalled = false) {
  SettingsStore settings(dir + "/zantovel.ini");
  ActivityLog log(settings, dir + "/default.log");
  PassContext context{log, {settings.Path()}};
  if (journalled) context.journals.emplace(dir + "/journals", "");
  const PassResult result = RenamePass(context, dir + "/f", prefix, type);
  return result.done() ? "" : result.message;
}

// What the log says is whole lines, wherever the settings sent it.
void CheckLogs(const std::string& dir) {
  for (const char* name : {"/run.log", "/default.log"})
    if (fs::exists(dir + name)) StepMessages(dir + name);
}

// What a pass that ends well does: a typed pass renames x.tmp alone (y.tmp's new name is
// taken, t_y.tmp begins with the prefix, the backup is no .tmp), a copy pass copies every file
// whose new name is free.
void CheckPass(const std::string& dir, const std::string& failure, bool copies) {
  const std::string f = dir + "/f/";
  const std::set<std::string> done =
      copies ? std::set<std::string>{"x.tmp", "t_y.tmp", ".zantovel-copy-backup"}
             : std::set<std::string>{"x.tmp"};
  std::set<std::string> allowed = {"l.tmp", "t_l.tmp", kLeftover};
  for (const auto& [name, content] : kFiles) {
    const std::string renamed = "t_" + name;
    allowed.insert({name, renamed});
    if (done.count(name) == 0) {
      EXPECT_EQ(ReadFile(f + name), content) << name;
      if (kFiles.count(renamed) == 0) {
        EXPECT_FALSE(fs::exists(f + renamed)) << renamed;
      }
      continue;
    }
    const bool atOld = fs::exists(f + name), atNew = fs::exists(f + renamed);
    EXPECT_EQ(atOld, copies || !atNew) << name;
    if (failure.empty()) {
      EXPECT_TRUE(atNew) << name << " not done";
    }
    if (atOld) {
      EXPECT_EQ(ReadFile(f + name), content) << name;
    }
    if (atNew) {
      EXPECT_EQ(ReadFile(f + renamed), content) << renamed;
    }
  }
  EXPECT_EQ(ReadFile(f + "t_y.tmp"), "taken");
  for (const char* link : {"l.tmp", "t_l.tmp"}) {
    if (fs::is_symlink(f + link)) {
      EXPECT_EQ(fs::read_symlink(f + link), "x.tmp");
    }
  }
  EXPECT_EQ(fs::is_symlink(f + "l.tmp"), copies || !fs::is_symlink(f + "t_l.tmp"));
  if (failure.empty()) {
    EXPECT_TRUE(fs::is_symlink(f + "t_l.tmp"));
  }
  for (const std::string& name : FolderNames(dir + "/f"))
    EXPECT_EQ(allowed.count(name), 1u) << "left behind: " << name;
  CheckLogs(dir);
}

// The undo of the journalled pass in dir.
std::string RunUndo(const std::string& dir) {
  SettingsStore settings(dir + "/zantovel.ini");
  ActivityLog log(settings, dir + "/default.log");
  PassContext context{log, {settings.Path()}};
  context.journals.emplace(dir + "/journals", "");
  const UndoResult result = UndoPass(context, {}, false);
  return result.end == PassEnd::Done ? "" : result.message;
}

// After whatever failed, an undo with nothing failing puts the folder back as it was before
// the pass: every file under its old name with its content, and nothing of the pass left.
// Where the pass could not start its journal it could not be taken back; it is then checked as
// a pass.
void CheckTakenBack(const std::string& dir, const std::string& failure, bool copies) {
  const bool active = injected.active;
  injected.active = false;
  const std::string undone = RunUndo(dir);
  injected.active = active;
  // No pass in the history: the pass could not start its journal. One there and taken back
  // already: the operation was the undo, and did all of its work.
  if (undone == "There is no pass left to take back") {
    const JournalHistory history(dir + "/journals", "");
    const std::vector<JournalHistory::Pass> passes = history.Passes();
    if (std::none_of(passes.begin(), passes.end(), [&](const JournalHistory::Pass& pass) {
          return history.TakenBackOf(pass) != TakenBack::No;
        }))
      return CheckPass(dir, failure, copies);
  } else {
    EXPECT_EQ(undone, "") << "after: " << failure;
  }
  const std::string f = dir + "/f/";
  for (const auto& [name, content] : kFiles) EXPECT_EQ(ReadFile(f + name), content) << name;
  EXPECT_TRUE(fs::is_symlink(f + "l.tmp") && fs::read_symlink(f + "l.tmp") == "x.tmp");
  std::vector<std::string> names = FolderNames(dir + "/f");
  std::erase(names, kLeftover);  // removed by the pass when it got as far
  EXPECT_EQ(names.size(), kFiles.size() + 1) << testing::PrintToString(names);
  CheckLogs(dir);
}

const std::string kOldSettings = "[Settings]\r\nLastP=/old/\r\nAppLog=x\r\n";
const std::string kNewSettings = "[Settings]\r\nLastP=/new/and/longer/\r\nAppLog=x\r\n";

const Operation kOperations[] = {
    {"typed pass", MakePassFolder,
     [](const std::string& dir) { return RunPass(dir, "t_", ".tmp"); },
     [](const std::string& dir, const std::string& failure) { CheckPass(dir, failure, false); }},
    {"copy pass", MakePassFolder, [](const std::string& dir) { return RunPass(dir, "t_", "*.*"); },
     [](const std::string& dir, const std::string& failure) { CheckPass(dir, failure, true); }},
    {"typed pass with its journal", MakePassFolder,
     [](const std::string& dir) { return RunPass(dir, "t_", ".tmp", true); },
     [](const std::string& dir, const std::string& failure) {
       CheckTakenBack(dir, failure, false);
     }},
    {"copy pass with its journal", MakePassFolder,
     [](const std::string& dir) { return RunPass(dir, "t_", "*.*", true); },
     [](const std::string& dir, const std::string& failure) {
       CheckTakenBack(dir, failure, true);
     }},
    {"undo of a typed pass",
     [](const std::string& dir) {
       MakePassFolder(dir);
       ASSERT_EQ(RunPass(dir, "t_", ".tmp", true), "");
     },
     RunUndo,
     [](const std::string& dir, const std::string& failure) {
       CheckTakenBack(dir, failure, false);
     }},
    {"undo of a copy pass",
     [](const std::string& dir) {
       MakePassFolder(dir);
       ASSERT_EQ(RunPass(dir, "t_", "*.*", true), "");
     },
     RunUndo,
     [](const std::string& dir, const std::string& failure) {
       CheckTakenBack(dir, failure, true);
     }},
    {"settings save",
     [](const std::string& dir) { WriteFile(dir + "/zantovel.ini", kOldSettings); },
     [](const std::string& dir) -> std::string {
       SettingsStore settings(dir + "/zantovel.ini");
       try {
         settings.Save(kSettingsSection, {{"LastP", "/new/and/longer/"}});
       } catch (const PlatformError& error) {
         return error.what();
       }
       return "";
     },
     [](const std::string& dir, const std::string& failure) {
       EXPECT_EQ(ReadFile(dir + "/zantovel.ini"), failure.empty() ? kNewSettings : kOldSettings);
       EXPECT_EQ(FolderNames(dir), std::vector<std::string>{"zantovel.ini"});
     }},
    {"log line",
     [](const std::string& dir) {
       WriteFile(dir + "/zantovel.ini", "[Settings]\r\nAppLog=" + dir + "/run.log\r\n");
       WriteFile(dir + "/run.log", "07-12-2026 10:00:00 earlier\r\n");
     },
     [](const std::string& dir) -> std::string {
       SettingsStore settings(dir + "/zantovel.ini");
       ActivityLog log(settings, dir + "/default.log");
       try {
         log.Write({"next line"});
       } catch (const PlatformError& error) {
         return error.what();
       }
       return "";
     },
     [](const std::string& dir, const std::string& failure) {
       std::vector<std::string> expected{"earlier"};
       if (failure.empty()) expected.push_back("next line");
       // A settings file that cannot be read sends the line to the default log.
       const bool moved = fs::exists(dir + "/default.log");
       EXPECT_EQ(StepMessages(dir + "/run.log"),
                 moved ? std::vector<std::string>{"earlier"} : expected);
       if (moved) {
         EXPECT_EQ(StepMessages(dir + "/default.log"), std::vector<std::string>{"next line"});
       }
     }},
};

struct Shape {
  const char* what;
  bool noUnnamedFiles, noRenameNoReplace, noHardLinks, noCopyFileRange;
};
const Shape kShapes[] = {
    {"this file system", false, false, false, false},
    {"without unnamed files, RENAME_NOREPLACE and copy_file_range", true, true, false, true},
    {"without hard links either", true, true, true, true},
};

class SystemCallSweep : public ::testing::Test {
 protected:
  void SetUp() override { InstallHooks(); }
  void TearDown() override {
    injected = {};
    Sys() = SystemCalls();
  }

  // Runs the operation in a fresh world with call failAt failing with error.
  std::string RunOnce(const Operation& operation, int failAt, int error, bool check) {
    const TempDir world;
    operation.make(world.path());
    injected.calls = 0;
    injected.failAt = failAt;
    injected.error = error;
    injected.active = true;
    const std::string failure = operation.run(world.path());
    injected.active = false;
    if (check) operation.check(world.path(), failure);
    return failure;
  }
};

TEST_F(SystemCallSweep, EveryFailureIsReportedAndLosesNothing) {
  int runs = 0;
  for (const Shape& shape : kShapes) {
    injected.noUnnamedFiles = shape.noUnnamedFiles;
    injected.noRenameNoReplace = shape.noRenameNoReplace;
    injected.noHardLinks = shape.noHardLinks;
    injected.noCopyFileRange = shape.noCopyFileRange;
    for (const Operation& operation : kOperations) {
      SCOPED_TRACE(std::string(operation.what) + " on " + shape.what);
      injected.seen.clear();
      ASSERT_EQ(RunOnce(operation, 0, 0, true), "") << "fails without a fault";
      const auto seen = injected.seen;
      ASSERT_FALSE(seen.empty());
      for (std::size_t n = 1; n <= seen.size(); ++n) {
        for (const int error : *seen[n - 1].second) {
          SCOPED_TRACE("call " + std::to_string(n) + ", " + seen[n - 1].first + ", " +
                       (error == kShort ? "short" : std::strerror(error)));
          const std::string failure = RunOnce(operation, static_cast<int>(n), error, true);
          ++runs;
          // A failure is a sentence with its reason: "Cannot rename "a" to "b": reason".
          if (!failure.empty()) {
            EXPECT_EQ(failure.rfind("Cannot ", 0), 0u) << failure;
            EXPECT_NE(failure.find("\": "), std::string::npos) << failure;
          }
        }
      }
    }
  }
  std::printf("[  sweep   ] %d runs, one failing call each\n", runs);
}

// Copies are flushed and named in batches. A failure in the middle of a batch leaves every
// copy before it named and logged, and nothing of the copies after it.
std::string Name(int i) {
  const std::string digits = std::to_string(i);
  return "f" + std::string(3 - std::min<std::size_t>(3, digits.size()), '0') + digits;
}

class BatchTest : public PassTest {
 protected:
  void TearDown() override { Sys() = SystemCalls(); }
};

TEST_F(BatchTest, AFailureInABatchKeepsWhatCameBeforeIt) {
  struct Case {
    const char* what;
    int files;
    const char* failing;  // the call that fails, with EIO, or nothing
    int nth;              // which of its calls
    int copied;           // how many copies are there afterwards
    int logged;           // how many files' "Renaming file" lines the log holds
    const char* failure;  // the end of the result's text, or nothing for "Done"
  } cases[] = {
      {"three batches", 300, nullptr, 0, 300, 300, nullptr},
      {"the third file's copy cannot be written", 5, "copy_file_range", 3, 2, 3,
       "f002\" to \""
       "FOLDER/a_f002\": Input/output error"},
      {"the batch's sync fails, each copy is flushed on its own", 5, "syncfs", 1, 5, 5, nullptr},
      {"the second copy's flush fails", 5, "fdatasync", 2, 1, 2, "a_f001\": Input/output error"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    StartAfresh();
    for (int i = 0; i < c.files; ++i) WriteFile(folder + "/" + Name(i), Name(i));
    Sys() = SystemCalls();
    // The table takes plain functions: the case's call counts here.
    static int nth, count;
    nth = c.nth;
    count = 0;
    if (c.failing != nullptr) {
      if (std::strcmp(c.failing, "copy_file_range") == 0)
        Sys().copy_file_range = [](int a, loff_t* b, int d, loff_t* e, size_t f, unsigned g) {
          return ++count == nth ? (errno = EIO, ssize_t{-1}) : ::copy_file_range(a, b, d, e, f, g);
        };
      if (std::strcmp(c.failing, "syncfs") == 0)
        Sys().syncfs = [](int fd) { return ++count == nth ? (errno = EIO, -1) : ::syncfs(fd); };
      if (std::strcmp(c.failing, "fdatasync") == 0) {
        Sys().syncfs = [](int) { return errno = EIO, -1; };
        Sys().fdatasync = [](int fd) {
          return ++count == nth ? (errno = EIO, -1) : ::fdatasync(fd);
        };
      }
    }
    const PassResult result = Run(folder, "a_", "*.*");
    Sys() = SystemCalls();

    if (c.failure == nullptr) {
      EXPECT_EQ(result.message, "Done");
    } else {
      std::string expected = c.failure;
      if (const auto at = expected.find("FOLDER"); at != std::string::npos)
        expected.replace(at, 6, folder);
      EXPECT_EQ(result.message.substr(result.message.size() -
                                      std::min(result.message.size(), expected.size())),
                expected)
          << result.message;
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
    EXPECT_EQ(StepMessages(log), expectedLog);
  }
}

}  // namespace
}  // namespace zantovel::test
