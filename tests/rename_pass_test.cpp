#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <map>
#include <string>
#include <vector>

#include "rename/rename_pass.h"
#include "tests/pass_fixture.h"

namespace zantovel::test {
namespace {

namespace fs = std::filesystem;

// The log a pass should write, from steps "R:name" (renamed), "C:name" (copied, all-files
// mode), "S:name" (skipped) and "E:name" (new name taken), with folderText as typed.
std::vector<std::string> ExpectedLog(const std::string& steps, const std::string& folderText) {
  std::vector<std::string> lines;
  for (const std::string& step : Words(steps)) {
    const std::string name = step.substr(2);
    lines.push_back("Renaming file: " + folderText + name);
    switch (step[0]) {
      case 'S':
        lines.push_back("Filename too long, cannot rename");
        break;
      case 'E':
        lines.push_back("Target file exists, cannot rename");
        break;
      default:
        lines.push_back(folderText + name + " renamed");
        if (step[0] == 'R') lines.insert(lines.end(), {"Deleting original", "Original deleted"});
    }
  }
  return lines;
}

TEST_F(PassTest, PassesLeaveTheFilesAndLogTheStepsInOrder) {
  struct Case {
    const char* what;
    std::string files, prefix, type;
    bool slash;  // folder text typed with a trailing "/"
    std::string after, steps;
  } cases[] = {
      // clang-format off
      {"typed rename", "x.tmp", "a_", ".tmp", true, "a_x.tmp<x.tmp", "R:x.tmp"},
      {"no match logs nothing", "a.txt", "a_", ".tmp", true, "a.txt", ""},
      {"upper-case type matches nothing", "x.tmp", "a_", ".TMP", true, "x.tmp", ""},
      {"type without dot", "x.tmp xtmp x.txt", "a_", "tmp", true,
       "a_x.tmp<x.tmp a_xtmp<xtmp x.txt", "R:x.tmp R:xtmp"},
      {"empty type is the typed mode for every file", "b.txt", "a_", "", true, "a_b.txt<b.txt",
       "R:b.txt"},
      {"keyword with a blank is an ordinary type", "x.txt", "a_", "*.* ", true, "x.txt", ""},
      {"empty prefix skips every file", "x.tmp", "", ".tmp", true, "x.tmp", "S:x.tmp"},
      {"20 characters renamed, 21 skipped", "abcdefghijklmnop.tmp cdefghijklmnopqr1.tmp", "a_",
       ".tmp", true, "a_abcdefghijklmnop.tmp<abcdefghijklmnop.tmp cdefghijklmnopqr1.tmp",
       "R:abcdefghijklmnop.tmp S:cdefghijklmnopqr1.tmp"},
      {"numbering", "p.tmp q.tmp", "##", ".tmp", true, "001p.tmp<p.tmp 00q.tmp<q.tmp",
       "R:p.tmp R:q.tmp"},
      {"an existing new name is never replaced", "a_x.tmp x.tmp", "a_", ".tmp", true,
       "a_x.tmp x.tmp", "S:a_x.tmp E:x.tmp"},
      {"folder typed without its slash", "x.tmp", "a_", ".tmp", false, "a_x.tmp<x.tmp", "R:x.tmp"},
      {"hidden files are files", ".h.tmp", "a_", ".tmp", true, "a_.h.tmp<.h.tmp", "R:.h.tmp"},
      {"all-files mode keeps the old files and never meets its own copies", "x.txt y", "a_",
       "*.*", true, "a_x.txt<x.txt x.txt a_y<y y", "C:x.txt C:y"},
      {"all-files mode with an empty prefix copies nothing onto itself", "x.txt", "", "*.*", true,
       "x.txt", "E:x.txt"},
      {"all-files numbering", "a b", "#_", "*.*", true, "a b 0_1a<a 0_b<b", "C:a C:b"},
      {"numbering gives a later file the name an earlier copy took", "0 10", "#", "*.*", true,
       "0 10 010<0", "C:0 E:10"},
      {"a temporary left by a killed copy is removed, never copied",
       ".zantovel-copy-0123456789abcdef0c93 x", "a_", "*.*", true, "a_x<x x", "C:x"},
      {"a user's file that only begins like a temporary is the user's",
       ".zantovel-copy-backup .zantovel-copy-0123456789abcdef0c94", "a_", ".tmp", true,
       ".zantovel-copy-backup .zantovel-copy-0123456789abcdef0c94", ""},
      {"and is copied like any other", ".zantovel-copy-backup", "a_", "*.*", true,
       "a_.zantovel-copy-backup<.zantovel-copy-backup .zantovel-copy-backup",
       "C:.zantovel-copy-backup"},
      // clang-format on
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    StartAfresh();
    for (const std::string& name : Words(c.files)) WriteFile(folder + "/" + name, name);
    const std::string folderText = c.slash ? folder + "/" : folder;

    Run(folderText, c.prefix, c.type);

    std::map<std::string, std::string> expected, after;
    for (const std::string& word : Words(c.after)) {
      const auto from = word.find('<');
      expected[word.substr(0, from)] = from == std::string::npos ? word : word.substr(from + 1);
    }
    for (const std::string& name : FolderNames(folder)) after[name] = ReadFile(folder + "/" + name);
    EXPECT_EQ(after, expected);
    EXPECT_EQ(fs::exists(log) ? StepMessages(log) : std::vector<std::string>{},
              ExpectedLog(c.steps, folderText));
    ASSERT_EQ(results.size(), 1u);
    EXPECT_EQ(results[0].message, "Done");
    EXPECT_EQ(results[0].end, PassEnd::Done);
  }
}

// The dry run plans what the pass then does, file by file, also where names are taken or freed
// by earlier files of the same pass: the pass takes the plan's steps, and reports each as done.
TEST_F(PassTest, ThePassDoesWhatTheDryRunPlans) {
  struct Case {
    std::string files, prefix, type;
  } cases[] = {
      {"x.tmp a_x.tmp y.tmp", "a_", ".tmp"},
      {"p.tmp q.tmp 00q.tmp", "##", ".tmp"},
      {"a b a_b", "a_", "*.*"},
      {"0 10", "#", "*.*"},
      {"b a_b a_a_b", "a_", ""},
      {std::string(250, 'n') + ".tmp x.tmp", "a_", "*.*"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.files + " / " + c.prefix + " / " + c.type);
    StartAfresh();
    for (const std::string& name : Words(c.files)) WriteFile(folder + "/" + name, name);
    std::vector<FileStep> plan, done;
    ASSERT_EQ(PlanRenamePass(context, folder, c.prefix, c.type, plan).message, "Done");
    context.record = &done;
    EXPECT_EQ(Run(folder, c.prefix, c.type).message, "Done");
    context.record = nullptr;
    ASSERT_EQ(plan.size(), done.size());
    for (std::size_t i = 0; i < plan.size(); ++i) {
      EXPECT_EQ(done[i].name, plan[i].name);
      EXPECT_EQ(done[i].newName, plan[i].newName);
      EXPECT_EQ(done[i].outcome, plan[i].outcome) << plan[i].name;
      if (GetsNewName(done[i].outcome)) {
        EXPECT_EQ(ReadFile(folder + "/" + done[i].newName), done[i].name) << done[i].newName;
      }
    }
  }
}

TEST_F(PassTest, TwentyFilesKeepContentPermissionsAndTimes) {
  std::map<std::string, struct stat> before;
  for (int i = 0; i < 20; ++i) {
    const std::string name = "f" + std::to_string(i) + ".tmp";
    WriteFile(folder + "/" + name, "content " + std::to_string(i), i % 2 ? 0600 : 0751);
    const timespec times[2] = {{1000000 + i, 0}, {1500000000 + i, 123456789}};
    ASSERT_EQ(utimensat(AT_FDCWD, (folder + "/" + name).c_str(), times, 0), 0);
    stat((folder + "/" + name).c_str(), &before[name]);
  }
  Run(folder + "/", "a_", ".tmp");

  EXPECT_EQ(FolderNames(folder).size(), 20u);
  for (const auto& [name, st] : before) {
    const std::string renamed = folder + "/a_" + name;
    EXPECT_FALSE(fs::exists(folder + "/" + name)) << name;
    EXPECT_EQ(ReadFile(renamed), "content " + name.substr(1, name.size() - 5));
    struct stat now {};
    ASSERT_EQ(stat(renamed.c_str(), &now), 0) << renamed;
    EXPECT_EQ(now.st_mode, st.st_mode) << name;
    EXPECT_EQ(now.st_mtim.tv_sec, st.st_mtim.tv_sec) << name;
    EXPECT_EQ(now.st_mtim.tv_nsec, st.st_mtim.tv_nsec) << name;
  }
  const std::vector<std::string> messages = StepMessages(log);
  ASSERT_EQ(messages.size(), 80u);
  for (std::size_t i = 0; i < messages.size(); i += 4) {
    EXPECT_EQ(messages[i].rfind("Renaming file: " + folder + "/f", 0), 0u) << messages[i];
    EXPECT_EQ(messages[i + 2], "Deleting original");
    EXPECT_EQ(messages[i + 3], "Original deleted");
  }
}

// A copy keeps every extended attribute, an empty one too.
TEST_F(PassTest, CopiesKeepExtendedAttributes) {
  const std::string x = folder + "/x";
  WriteFile(x, "X");
  if (setxattr(x.c_str(), "user.tag", "value", 5, 0) != 0 ||
      setxattr(x.c_str(), "user.empty", "", 0, 0) != 0)
    GTEST_SKIP() << "no user extended attributes here";
  EXPECT_EQ(Run(folder, "c_", "*.*").message, "Done");
  char value[16] = {};
  EXPECT_EQ(getxattr((folder + "/c_x").c_str(), "user.tag", value, sizeof value), 5);
  EXPECT_EQ(std::string(value), "value");
  EXPECT_EQ(getxattr((folder + "/c_x").c_str(), "user.empty", value, sizeof value), 0);
}

TEST_F(PassTest, LinksAreRenamedAsLinksAndNeverFollowed) {
  const std::string outside = dir / "outside.txt";
  WriteFile(outside, "precious");
  ASSERT_EQ(symlink(outside.c_str(), (folder + "/x.tmp").c_str()), 0);
  // A dangling link already holds the new name of y.tmp; following it would create `planted`.
  const std::string planted = dir / "planted";
  WriteFile(folder + "/y.tmp", "Y");
  ASSERT_EQ(symlink(planted.c_str(), (folder + "/b_y.tmp").c_str()), 0);
  // Pipes and folders are not files: a pipe opened for reading would never answer.
  ASSERT_EQ(mkfifo((folder + "/pipe.tmp").c_str(), 0644), 0);
  fs::create_directory(folder + "/sub.tmp");
  // A link to a folder is a folder to the user.
  fs::create_directory_symlink(folder + "/sub.tmp", folder + "/dirlink.tmp");

  Run(folder, "b_", ".tmp");

  std::array<char, 256> target{};
  ASSERT_GT(readlink((folder + "/b_x.tmp").c_str(), target.data(), target.size()), 0);
  EXPECT_EQ(std::string(target.data()), outside);
  EXPECT_EQ(ReadFile(outside), "precious");
  EXPECT_FALSE(fs::exists(planted));
  EXPECT_EQ(FolderNames(folder), (std::vector<std::string>{"b_x.tmp", "b_y.tmp", "dirlink.tmp",
                                                           "pipe.tmp", "sub.tmp", "y.tmp"}));
  EXPECT_EQ(StepMessages(log),
            (std::vector<std::string>{
                "Renaming file: " + folder + "b_y.tmp", "Filename too long, cannot rename",
                "Renaming file: " + folder + "x.tmp", folder + "x.tmp renamed", "Deleting original",
                "Original deleted", "Renaming file: " + folder + "y.tmp",
                "Target file exists, cannot rename"}));
}

// A failure stops the pass where it happens and says why in one box; no "Done" follows.
TEST_F(PassTest, FailuresStopThePassWithTheReason) {
  const std::string aFile = dir / "plain.txt";
  WriteFile(aFile, "");
  struct Case {
    std::string folderText;
    std::string prefix;
    std::string box;
    PassEnd end;
  } cases[] = {
      {dir / "missing", "a_",
       "Cannot open folder \"" + (dir / "missing") + "\": No such file or directory",
       PassEnd::Failed},
      {"", "a_", "Cannot open folder \"\": No such file or directory", PassEnd::Failed},
      {aFile, "a_", "Cannot open folder \"" + aFile + "\": Not a directory", PassEnd::Failed},
      {folder, "../",
       "The prefix may not contain \"/\" or a NUL character: it must name a file in the chosen "
       "folder.",
       PassEnd::PrefixRefused},
      {folder, std::string("a\0b", 3),
       "The prefix may not contain \"/\" or a NUL character: it must name a file in the chosen "
       "folder.",
       PassEnd::PrefixRefused},
  };
  WriteFile(folder + "/x.tmp", "X");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.folderText + " / " + c.prefix);
    results.clear();
    Run(c.folderText, c.prefix, ".tmp");
    ASSERT_EQ(results.size(), 1u);
    EXPECT_EQ(results[0].message, c.box);
    EXPECT_EQ(results[0].end, c.end);
    EXPECT_EQ(FolderNames(folder), std::vector<std::string>{"x.tmp"});
    EXPECT_FALSE(fs::exists(log));
    EXPECT_EQ(FolderNames(dir.path()),
              (std::vector<std::string>{"files", "plain.txt", "zantovel.ini"}));
  }
}

TEST_F(PassTest, RefusedRenameKeepsTheFileAndStopsThePass) {
  WriteFile(folder + "/x.tmp", "X");
  WriteFile(folder + "/y.tmp", "Y");
  if (!CanMakeImmutable(folder + "/x.tmp")) GTEST_SKIP() << "needs root and chattr +i";
  ASSERT_EQ(Shell("chattr +i '" + folder + "/x.tmp'"), 0);

  Run(folder, "a_", ".tmp");

  EXPECT_EQ(FolderNames(folder), (std::vector<std::string>{"x.tmp", "y.tmp"}));
  EXPECT_EQ(ReadFile(folder + "/x.tmp"), "X");
  EXPECT_EQ(StepMessages(log), std::vector<std::string>{"Renaming file: " + folder + "x.tmp"});
  ASSERT_EQ(results.size(), 1u);
  EXPECT_EQ(results[0].message, "Cannot rename \"" + folder + "/x.tmp\" to \"" + folder +
                                    "/a_x.tmp\": Operation not permitted");
  EXPECT_EQ(results[0].end, PassEnd::Failed);
}

// A rename needs no space; a copy does, and one that does not fit leaves nothing behind.
TEST_F(PassTest, FullFileSystemRenamesButCopiesNothingPartial) {
  if (!MountSmallTmpfs(folder, "256k")) GTEST_SKIP() << "needs root to mount a small tmpfs";
  const std::string big(160 * 1024, 'b');
  WriteFile(folder + "/big.tmp", big);

  Run(folder, "a_", "*.*");
  EXPECT_EQ(FolderNames(folder), std::vector<std::string>{"big.tmp"});
  EXPECT_EQ(ReadFile(folder + "/big.tmp"), big);
  EXPECT_EQ(StepMessages(log), std::vector<std::string>{"Renaming file: " + folder + "big.tmp"});
  ASSERT_EQ(results.size(), 1u);
  EXPECT_EQ(results[0].message, "Cannot copy \"" + folder + "/big.tmp\" to \"" + folder +
                                    "/a_big.tmp\": No space left on device");

  results.clear();
  Run(folder, "a_", ".tmp");
  EXPECT_EQ(FolderNames(folder), std::vector<std::string>{"a_big.tmp"});
  EXPECT_EQ(ReadFile(folder + "/a_big.tmp"), big);
  ASSERT_EQ(results.size(), 1u);
  EXPECT_EQ(results[0].message, "Done");
}

// What a killed pass left is removed before the first copy, so its space serves this pass.
TEST_F(PassTest, LeftoversGoBeforeTheFirstCopy) {
  if (!MountSmallTmpfs(folder, "256k")) GTEST_SKIP() << "needs root to mount a small tmpfs";
  WriteFile(folder + "/.zantovel-copy-0123456789abcdef0c93", std::string(120 * 1024, 'l'));
  WriteFile(folder + "/x.tmp", std::string(100 * 1024, 'x'));
  EXPECT_EQ(Run(folder, "c_", "*.*").message, "Done");
  EXPECT_EQ(FolderNames(folder), (std::vector<std::string>{"c_x.tmp", "x.tmp"}));
}

// Copies wait for their batch, and so do their lines; each line keeps the time of its step.
TEST_F(PassTest, EveryLineCarriesTheTimeOfItsStep) {
  int second = 0;
  ActivityLog ticking(settings, log, [&second] {
    std::tm time{};
    time.tm_year = 126;
    time.tm_mday = 7;
    time.tm_sec = second++;
    return time;
  });
  PassContext slow{ticking, {}};
  for (const char* name : {"a", "b", "c"}) WriteFile(folder + "/" + name, name);
  EXPECT_EQ(RenamePass(slow, folder, "c_", "*.*").message, "Done");
  const std::string content = ReadFile(log);
  std::vector<std::string> stamps;
  for (std::size_t at = 0; at < content.size(); at = content.find('\n', at) + 1)
    stamps.push_back(content.substr(at, 19));
  EXPECT_EQ(stamps, (std::vector<std::string>{"07-01-2026 00:00:00", "07-01-2026 00:00:01",
                                              "07-01-2026 00:00:02", "07-01-2026 00:00:03",
                                              "07-01-2026 00:00:04", "07-01-2026 00:00:05",
                                              "07-01-2026 00:00:06"}));
  EXPECT_EQ(LogMessages(log).back(), "Pass done: 3 copied");
}

TEST_F(PassTest, LogThatCannotBeWrittenStopsBeforeAnyCopy) {
  WriteFile(folder + "/x.tmp", "X");
  struct Case {
    std::string logPath;
    std::string box;
  } cases[] = {
      {"/dev/full", "Cannot write log \"/dev/full\": No space left on device"},
      {dir / "no/such/log",
       "Cannot open log \"" + (dir / "no/such/log") + "\": No such file or directory"},
      {dir.path(), "Cannot open log \"" + dir.path() + "\": Is a directory"},
      {"", "Cannot open log \"\": No such file or directory"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.logPath);
    results.clear();
    settings.Save(kSettingsSection, {{"AppLog", c.logPath}});
    Run(folder, "a_", ".tmp");
    EXPECT_EQ(FolderNames(folder), std::vector<std::string>{"x.tmp"});
    ASSERT_EQ(results.size(), 1u);
    EXPECT_EQ(results[0].message, c.box);
  }
}

}  // namespace
}  // namespace zantovel::test
