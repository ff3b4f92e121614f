#include <gtest/gtest.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <map>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "platform/linux/system_calls.h"
#include "platform/profile.h"
#include "rename/rename_pass.h"
#include "store/settings.h"
#include "tests/pass_fixture.h"

namespace zantovel::test {
namespace {

namespace fs = std::filesystem;
using linux_calls::Sys;
using Clock = std::chrono::steady_clock;

std::string FileName(int i) {
  char name[32];
  std::snprintf(name, sizeof name, "f%05d.tmp", i);
  return name;
}

std::string Content(int i) {
  return "content of file " + std::to_string(i) + "\n";
}

void MakeFiles(const std::string& folder, int count) {
  fs::create_directories(folder);
  for (int i = 0; i < count; ++i) WriteFile(folder + "/" + FileName(i), Content(i));
}

// Every file's content is under its old name, its new name or both, whole; nothing else is in
// the folder. Returns how many files stand under both names.
int CheckNothingLost(const std::string& folder, int count, const std::string& prefix) {
  std::set<std::string> expected;
  int pairs = 0;
  for (int i = 0; i < count; ++i) {
    const std::string oldPath = folder + "/" + FileName(i);
    const std::string newPath = folder + "/" + prefix + FileName(i);
    const bool hasOld = fs::exists(oldPath);
    const bool hasNew = fs::exists(newPath);
    EXPECT_TRUE(hasOld || hasNew) << "lost " << FileName(i);
    if (hasOld) {
      EXPECT_EQ(ReadFile(oldPath), Content(i)) << oldPath;
    }
    if (hasNew) {
      EXPECT_EQ(ReadFile(newPath), Content(i)) << newPath;
    }
    pairs += hasOld && hasNew;
    expected.insert(FileName(i));
    expected.insert(prefix + FileName(i));
  }
  for (const std::string& name : FolderNames(folder))
    EXPECT_TRUE(expected.count(name)) << "stray file " << name;
  return pairs;
}

// The probe installed with a settings file whose AppLog names `log`.
struct LoggedProbe : InstalledProbe {
  explicit LoggedProbe(const std::string& log) : InstalledProbe("zantovel") {
    WriteFile(bin / "zantovel.ini", "[Settings]\r\nAppLog=" + log + "\r\n");
  }
  pid_t Start(const std::string& folder, const std::string& output) const {
    return Spawn({exe, "run", folder, "a_", ".tmp"}, output);
  }
};

void WaitForLines(const std::string& log, std::size_t lines) {
  const auto deadline = Clock::now() + std::chrono::seconds(60);
  while (CountLines(log) < lines && Clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::microseconds(200));
}

TEST(CrashTest, KilledPassesLoseNothingAndALaterPassFinishes) {
  constexpr int kFiles = 5000;
  constexpr int kKills = 20;
  TempDir dir;
  LoggedProbe probe(dir / "run.log");

  // A pass that is not killed gives the span within which the kills are spread.
  MakeFiles(dir / "timing", kFiles);
  const auto started = Clock::now();
  ASSERT_EQ(Wait(probe.Start(dir / "timing", dir / "out")), 0);
  const auto span = std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - started);
  EXPECT_EQ(CheckNothingLost(dir / "timing", kFiles, "a_"), 0);
  EXPECT_EQ(FolderNames(dir / "timing").size(), static_cast<std::size_t>(kFiles));

  int totalPairs = 0;
  for (int seed = 1; seed <= kKills; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    const std::string folder = dir / ("kill" + std::to_string(seed));
    const std::string log = dir / "run.log";
    MakeFiles(folder, kFiles);
    fs::remove(log);
    std::mt19937 random(static_cast<unsigned>(seed));
    const auto delay = std::chrono::microseconds(
        std::uniform_int_distribution<long>(0, static_cast<long>(span.count()))(random));

    const pid_t pid = probe.Start(folder, dir / "out");
    std::this_thread::sleep_for(delay);
    kill(pid, SIGKILL);
    const int status = Wait(pid);
    const bool killed = WIFSIGNALED(status);

    totalPairs += CheckNothingLost(folder, kFiles, "a_");
    // A kill in the middle of a write may tear the last line; the next pass starts a line of
    // its own after it, so the whole log then reads as whole lines.
    ASSERT_EQ(Wait(probe.Start(folder, dir / "out")), 0);
    EXPECT_EQ(ReadFile(dir / "out"), "done|Done\n");
    if (fs::exists(log)) StepMessages(log);  // fails the test on a line run into another
    const int pairsAfter = CheckNothingLost(folder, kFiles, "a_");
    for (int i = 0; i < kFiles; ++i)
      EXPECT_TRUE(fs::exists(folder + "/a_" + FileName(i))) << FileName(i);
    EXPECT_LE(pairsAfter, 1);
    std::printf("[ kill     ] seed %2d after %6ld us: %s, %d file(s) under both names\n", seed,
                static_cast<long>(delay.count()), killed ? "killed" : "had finished", pairsAfter);
    fs::remove_all(folder);
  }
  std::printf("[ kill     ] %d passes of %d files, pass span %ld us, %d pair(s) left in all\n",
              kKills, kFiles, static_cast<long>(span.count()), totalPairs);
}

// Pauses a running pass once its log has `lines` lines, does `meanwhile`, and lets it go on.
std::string PassInterrupted(const LoggedProbe& probe, const std::string& folder,
                            const std::string& log, std::size_t lines,
                            const std::function<void()>& meanwhile) {
  const std::string output = probe.bin / "out";
  const pid_t pid = probe.Start(folder, output);
  WaitForLines(log, lines);
  kill(pid, SIGSTOP);
  meanwhile();
  kill(pid, SIGCONT);
  EXPECT_EQ(Wait(pid), 0);
  return ReadFile(output);
}

// The folder is swapped for a link to another folder mid-pass: the pass goes on in the folder
// it opened, and the other folder is not touched.
TEST(MidPassFaultTest, FolderSwappedForALinkKeepsThePassInItsFolder) {
  TempDir dir;
  LoggedProbe probe(dir / "run.log");
  MakeFiles(dir / "files", 2000);
  MakeFiles(dir / "other", 2000);
  const std::string box = PassInterrupted(probe, dir / "files", dir / "run.log", 40, [&] {
    fs::rename(dir / "files", dir / "moved");
    fs::create_directory_symlink(dir / "other", dir / "files");
  });
  EXPECT_EQ(box, "done|Done\n");
  for (int i = 0; i < 2000; ++i) {
    EXPECT_EQ(ReadFile(dir / "moved/a_" + FileName(i)), Content(i));
    EXPECT_EQ(ReadFile(dir / "other/" + FileName(i)), Content(i));
  }
  EXPECT_EQ(FolderNames(dir / "moved").size(), 2000u);
  EXPECT_EQ(FolderNames(dir / "other").size(), 2000u);
  StepMessages(dir / "run.log");
}

TEST(MidPassFaultTest, FileDeletedBeforeItsTurnIsReported) {
  TempDir dir;
  LoggedProbe probe(dir / "run.log");
  MakeFiles(dir / "files", 500);
  const std::string last = dir / "files" + "/" + FileName(499);
  const std::string box =
      PassInterrupted(probe, dir / "files", dir / "run.log", 1, [&] { fs::remove(last); });
  EXPECT_EQ(box, "failed|Cannot rename \"" + last + "\" to \"" + dir / "files" + "/a_" +
                     FileName(499) + "\": No such file or directory\n");
  EXPECT_EQ(FolderNames(dir / "files").size(), 499u);
  for (int i = 0; i < 499; ++i) EXPECT_EQ(ReadFile(dir / "files/a_" + FileName(i)), Content(i));
}

// The log's place edited, or the log or its folder renamed away, while a pass runs: the lines
// go on in the new place from the next write, and the two files together hold every line once,
// in order, each file's lines together.
TEST(MidPassFaultTest, TheLogMovedMidPassLosesNoLine) {
  struct Case {
    const char* what;
    void (*move)(const std::string& dir, const std::string& ini);
    const char* before;  // where the lines before the move are found afterwards
    const char* after;   // and those after it
  } cases[] = {
      {"AppLog edited",
       [](const std::string& dir, const std::string& ini) {
         // Replaced whole, as an editor saves.
         WriteFile(ini + ".new", "[Settings]\r\nAppLog=" + dir + "/second.log\r\n");
         fs::rename(ini + ".new", ini);
       },
       "logs/run.log", "second.log"},
      {"AppLog edited in place",
       [](const std::string& dir, const std::string& ini) {
         WriteFile(ini, "[Settings]\r\nAppLog=" + dir + "/second.log\r\n");
       },
       "logs/run.log", "second.log"},
      {"log renamed away",
       [](const std::string& dir, const std::string&) {
         fs::rename(dir + "/logs/run.log", dir + "/logs/second.log");
       },
       "logs/second.log", "logs/run.log"},
      {"log's folder renamed away and made again",
       [](const std::string& dir, const std::string&) {
         fs::rename(dir + "/logs", dir + "/old");
         fs::create_directory(dir + "/logs");
       },
       "old/run.log", "logs/run.log"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    fs::create_directory(dir / "logs");
    LoggedProbe probe(dir / "logs/run.log");
    MakeFiles(dir / "files", 500);
    const std::string box = PassInterrupted(probe, dir / "files", dir / "logs/run.log", 402, [&] {
      c.move(dir.path(), probe.bin / "zantovel.ini");
    });
    EXPECT_EQ(box, "done|Done\n");
    std::vector<std::string> lines = LogMessages(dir / c.before);
    const std::vector<std::string> later = LogMessages(dir / c.after);
    EXPECT_GE(lines.size(), 402u);
    EXPECT_FALSE(later.empty());
    lines.insert(lines.end(), later.begin(), later.end());
    ASSERT_EQ(lines.size(), 2001u);
    for (int i = 0; i < 500; ++i) {
      const std::string name = dir / "files" + FileName(i);  // the folder as typed, and the name
      EXPECT_EQ(lines[4 * i], "Renaming file: " + name);
      EXPECT_EQ(lines[4 * i + 1], name + " renamed");
    }
    EXPECT_EQ(lines.back(), "Pass done: 500 renamed");
  }
}

// A pass run the way a hostile or odd machine runs it, in a process of its own: each case wraps
// the probe's "run FOLDER c_ *.*" in a shell that sets the scene, and every file of the folder
// must be copied.
TEST(ProcessFaultTest, APassCopesWithTheMachineItRunsOn) {
  struct Case {
    const char* what;
    std::string (*wrap)(const std::string& dir, const std::string& ini, const std::string& run);
    bool needsRoot;
  } cases[] = {
      // Each copy of a batch waiting for its flush holds a descriptor.
      {"20 descriptors",
       [](const std::string&, const std::string&, const std::string& run) {
         return "ulimit -n 20 && " + run;
       },
       false},
      // A log that is a pipe read slowly: the pass waits for its reader, it does not fail.
      {"a slowly read pipe for a log",
       [](const std::string& dir, const std::string& ini, const std::string& run) {
         return "mkfifo '" + dir + "/pipe.log' && printf 'AppLog=%s\\r\\n' '" + dir +
                "/pipe.log' >>'" + ini + "' && { (sleep 0.3; cat >/dev/null) <'" + dir +
                "/pipe.log' & } && " + run;
       },
       false},
      // Without /proc the program finds itself and its folders all the same.
      {"no /proc",
       [](const std::string&, const std::string&, const std::string& run) {
         return "unshare --mount --propagation private sh -c \"umount -l /proc && " + run + "\"";
       },
       true},
  };
  std::string skipped;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    // The sanitizers themselves cannot start without /proc.
    if (c.needsRoot &&
        (geteuid() != 0 || Shell("command -v unshare >/dev/null") != 0 || ZANTOVEL_SANITIZED)) {
      skipped += std::string("\n  ") + c.what;
      continue;
    }
    TempDir dir;
    InstalledProbe probe("zantovel");
    WriteFile(probe.bin / "zantovel.ini", "[Settings]\r\n");
    MakeFiles(dir / "files", 300);
    const std::string run = "cd / && " + probe.exe + " run " + dir / "files" + " c_ '*.*'";
    EXPECT_EQ(Capture(c.wrap(dir.path(), probe.bin / "zantovel.ini", run) + " 2>" + dir / "err"),
              "done|Done\n")
        << ReadFile(dir / "err");
    EXPECT_EQ(FolderNames(dir / "files").size(), 600u);
    EXPECT_EQ(ReadFile(dir / "files/c_" + FileName(299)), Content(299));
    // The default log lies beside the program, wherever the pass was started from.
    if (!fs::exists(dir / "pipe.log")) {
      EXPECT_EQ(CountLines(probe.bin / "applog.log"), 601u);  // and the counts
    }
  }
  if (!skipped.empty())
    GTEST_SKIP() << "needs root and unshare, in a build without sanitizers, for:" << skipped;
}

// A file that shrinks while it is copied gives no copy padded with zeros: the copy fails.
TEST_F(PassTest, AFileThatChangesWhileItIsCopiedIsNotCopied) {
  WriteFile(folder + "/x.tmp", std::string(100000, 'x'));
  static std::string path;
  path = folder + "/x.tmp";
  Sys().copy_file_range = [](int in, loff_t* from, int out, loff_t* to, size_t n, unsigned flags) {
    if (truncate(path.c_str(), 10) != 0) return ssize_t{-1};
    return ::copy_file_range(in, from, out, to, n, flags);
  };
  const PassResult result = Run(folder, "c_", "*.*");
  Sys() = linux_calls::SystemCalls();
  EXPECT_EQ(result.message, "Cannot copy \"" + folder + "/x.tmp\" to \"" + folder +
                                "/c_x.tmp\": The file changed while it was copied");
  EXPECT_EQ(FolderNames(folder), std::vector<std::string>{"x.tmp"});
}

// A name that is no longer a file when the pass reaches it (a folder or pipe put in its place
// since the listing) is passed over and said so, in both modes.
TEST_F(PassTest, ANameThatBecameAFolderOrPipeIsPassedOver) {
  for (const char* type : {".tmp", "*.*"}) {
    SCOPED_TRACE(type);
    StartAfresh();
    WriteFile(folder + "/a.tmp", "A");
    WriteFile(folder + "/b.tmp", "B");
    static std::string swapped;
    swapped = folder;
    // The listing ends; then a.tmp becomes a pipe and b.tmp a folder.
    Sys().readdir = [](DIR* dir) {
      dirent* entry = ::readdir(dir);
      if (entry == nullptr && fs::exists(swapped + "/a.tmp")) {
        fs::remove(swapped + "/a.tmp");
        mkfifo((swapped + "/a.tmp").c_str(), 0644);
        fs::remove(swapped + "/b.tmp");
        fs::create_directory(swapped + "/b.tmp");
      }
      return entry;
    };
    const PassResult result = Run(folder, "n_", type);
    Sys() = linux_calls::SystemCalls();
    EXPECT_EQ(result.message, "Done");
    EXPECT_EQ(result.counts[FileOutcome::NotAFile], 2u);
    EXPECT_EQ(FolderNames(folder), (std::vector<std::string>{"a.tmp", "b.tmp"}));
    EXPECT_EQ(StepMessages(log),
              (std::vector<std::string>{
                  "Renaming file: " + folder + "a.tmp", "Not a file any more, cannot rename",
                  "Renaming file: " + folder + "b.tmp", "Not a file any more, cannot rename"}));
  }
}

// A copy of the program in a folder its user may write keeps its files beside itself; one in a
// folder the user may not write (installed by the system) keeps them in the user's folders,
// and a settings file left beside it is not used.
TEST(SettingsFaultTest, AnInstalledCopyKeepsItsFilesInTheUsersFolders) {
  if (geteuid() != 0 || Shell("command -v setpriv >/dev/null") != 0)
    GTEST_SKIP() << "needs root to drop privileges with setpriv";
  struct Case {
    const char* what;
    bool programFolderWritable;
    std::string environment;    // with HOME set to the user's home, ~
    std::string settings, log;  // where they must be, under ~ or "beside" the program
  } cases[] = {
      {"portable", true, "", "beside/zantovel.ini", "beside/applog.log"},
      {"installed", false, "", "~/.config/zantovel/zantovel.ini",
       "~/.local/state/zantovel/applog.log"},
      {"installed, XDG folders named", false, "XDG_CONFIG_HOME=~/c XDG_STATE_HOME=~/s",
       "~/c/zantovel/zantovel.ini", "~/s/zantovel/applog.log"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    InstalledProbe probe("zantovel");
    TempDir home;
    WriteFile(probe.bin / "zantovel.ini", "[Settings]\r\nLastP=/old/\r\n");
    MakeFiles(home / "files", 3);
    Shell("chown -R 65534:65534 " + home.path());
    if (c.programFolderWritable) Shell("chown -R 65534:65534 " + probe.bin.path());
    fs::permissions(probe.bin.path(), fs::perms(0755));
    const auto place = [&](std::string path) {
      if (path.rfind("beside/", 0) == 0) return probe.bin / path.substr(7);
      return home.path() + path.substr(1);
    };
    std::string environment = c.environment;
    for (std::size_t at; (at = environment.find('~')) != std::string::npos;)
      environment.replace(at, 1, home.path());
    const std::string asNobody =
        "setpriv --reuid=65534 --regid=65534 --clear-groups env HOME=" + home.path() + " " +
        environment + " " + probe.exe;
    EXPECT_EQ(Capture(asNobody + " get LastP /default/"),
              c.programFolderWritable ? "/old/\n" : "/default/\n");
    EXPECT_EQ(Capture(asNobody + " save LastP /new/ 2>&1; echo $?"), "0\n");
    EXPECT_EQ(Capture(asNobody + " get LastP /default/"), "/new/\n");
    EXPECT_EQ(Capture(asNobody + " run " + home / "files" + " a_ .tmp"), "done|Done\n");
    EXPECT_NE(ReadFile(place(c.settings)).find("LastP=/new/"), std::string::npos);
    EXPECT_EQ(CountLines(place(c.log)), 3u * 4 + 1);
    if (!c.programFolderWritable) {
      EXPECT_EQ(FolderNames(probe.bin.path()),
                (std::vector<std::string>{"zantovel", "zantovel.ini"}));
    }
  }
}

TEST_F(PassTest, AwkwardNamesAreRenamedAsTheyAre) {
  const std::vector<std::string> names = {"\xFF\xFE.tmp", "a\nb.tmp", "-rf.tmp", " sp ace .tmp",
                                          "*?[].tmp",     "\\x.tmp",  "x.tmp",   "\xC3\x89.TMP"};
  for (std::size_t i = 0; i < names.size(); ++i)
    WriteFile(folder + "/" + names[i], "content " + std::to_string(i));
  Run(folder + "/", "a_", ".tmp");
  std::set<std::string> expected;
  for (std::size_t i = 0; i < names.size(); ++i) {
    expected.insert("a_" + names[i]);
    EXPECT_EQ(ReadFile(folder + "/a_" + names[i]), "content " + std::to_string(i)) << names[i];
  }
  const std::vector<std::string> after = FolderNames(folder);
  EXPECT_EQ(std::set<std::string>(after.begin(), after.end()), expected);
  // The name with a line break stays on one log line.
  const std::vector<std::string> messages = StepMessages(log);
  EXPECT_EQ(messages.size(), 4 * names.size());
  EXPECT_NE(std::find(messages.begin(), messages.end(), "Renaming file: " + folder + "/a\\nb.tmp"),
            messages.end());
}

// A new name the file system cannot hold is passed over like a taken one, and the dry run
// plans it so.
TEST_F(PassTest, NewNameTooLongForTheFileSystemIsPassedOver) {
  const std::string longest(253, 'n');  // with "a_", 255 bytes: the most a name may have
  const std::string tooLong(254, 'z');  // listed after `longest`
  WriteFile(folder + "/" + longest, "L");
  WriteFile(folder + "/" + tooLong, "T");
  std::vector<FileStep> planned;
  PlanRenamePass(context, folder, "a_", "*.*", planned);
  ASSERT_EQ(planned.size(), 2u);
  EXPECT_EQ(planned[0].outcome, FileOutcome::Copied);
  EXPECT_EQ(planned[1].outcome, FileOutcome::NameTooLong);
  EXPECT_EQ(Run(folder, "a_", "*.*").message, "Done");
  EXPECT_EQ(results[0].counts[FileOutcome::NameTooLong], 1u);
  EXPECT_EQ(FolderNames(folder), (std::vector<std::string>{"a_" + longest, longest, tooLong}));
  EXPECT_EQ(StepMessages(log).back(), "New name too long, cannot rename");
}

TEST_F(PassTest, SocketsAreNotFilesAndRelativeFoldersWork) {
  WriteFile(folder + "/x.tmp", "X");
  const int sock = socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const std::string socketPath = folder + "/s.tmp";
  ASSERT_LT(socketPath.size(), sizeof address.sun_path);
  std::copy(socketPath.begin(), socketPath.end(), address.sun_path);
  ASSERT_EQ(bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);

  const fs::path before = fs::current_path();
  fs::current_path(dir.path());
  Run("files", "a_", ".tmp");
  fs::current_path(before);
  close(sock);

  EXPECT_EQ(FolderNames(folder), (std::vector<std::string>{"a_x.tmp", "s.tmp"}));
  EXPECT_EQ(StepMessages(log).front(), "Renaming file: filesx.tmp");
}

std::vector<std::string> Lines(const std::string& content) {
  std::vector<std::string> lines;
  std::size_t pos = 0;
  while (pos < content.size()) {
    std::size_t end = content.find_first_of("\r\n", pos);
    if (end == std::string::npos) end = content.size();
    lines.push_back(content.substr(pos, end - pos));
    pos = end + (content.compare(end, 2, "\r\n") == 0 ? 2 : 1);
  }
  return lines;
}

TEST(SettingsFileFaultTest, OddSettingsFilesReadAndWriteSoundly) {
  std::string binary;
  std::mt19937 random(7);
  for (int i = 0; i < 4096; ++i) binary += static_cast<char>(random() & 0xFF);
  std::string huge = "[Settings]\r\nLastP=p\r\n[Other]\r\n";
  while (huge.size() < kLargestProfile - 64)
    huge += "key" + std::to_string(huge.size()) + "=value\r\n";
  struct Case {
    const char* what;
    std::string content;
    std::string lastP;
  } cases[] = {
      {"almost 1 MiB", huge, "p"},
      {"binary", binary + "\r\n[Settings]\r\nLastP=p\r\n", "p"},
      {"no final line end", "[Settings]\r\nLastP=p", "p"},
      {"CR only", "[Settings]\rLastP=p\r", "p"},
      {"LF only", "[Settings]\nLastP=p\n", "p"},
      {"duplicates", "[Settings]\r\nLastP=p\r\nLastP=q\r\n[Settings]\r\nLastP=r\r\n", "p"},
      {"100,000-character line", "[Settings]\r\nLastP=" + std::string(100000, 'x') + "\r\n",
       std::string(154, 'x')},
  };
  TempDir dir;
  SettingsStore store(dir / "zantovel.ini");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    WriteFile(store.Path(), c.content);
    EXPECT_EQ(store.Read(kSettingsSection, "LastP", "D"), c.lastP);
    EXPECT_NO_THROW(store.Save(kSettingsSection, {{"LastF", "new"}}));
    EXPECT_EQ(store.Read(kSettingsSection, "LastF", "D"), "new");
    EXPECT_EQ(store.Read(kSettingsSection, "LastP", "D"), c.lastP);
    // Every earlier line is still there, in its order; only the new key's line was added.
    const std::vector<std::string> before = Lines(c.content), after = Lines(ReadFile(store.Path()));
    ASSERT_EQ(after.size(), before.size() + 1);
    std::size_t added = 0;
    for (std::size_t i = 0, j = 0; j < after.size(); ++j) {
      if (i < before.size() && after[j] == before[i]) {
        ++i;
      } else {
        EXPECT_EQ(after[j], "LastF=new");
        ++added;
      }
    }
    EXPECT_EQ(added, 1u);
  }
}

}  // namespace
}  // namespace zantovel::test
