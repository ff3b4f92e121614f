#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <string>

#include "platform/error.h"
#include "platform/path_watch.h"
#include "store/activity_log.h"
#include "tests/pass_fixture.h"

namespace zantovel::test {
namespace {

namespace fs = std::filesystem;

// Day, month, year and a 24-hour clock; written one after another through a log, whose stamp
// is made once a second, each line keeps its own date when only the date changes.
TEST(LogTimestampTest, DayMonthYearAndTwentyFourHourClock) {
  struct Case {
    int year, month, day, hour, minute, second;
    const char* text;
  } cases[] = {
      {2027, 1, 1, 0, 0, 1, "01-01-2027 00:00:01"},
      {2026, 12, 6, 14, 5, 9, "06-12-2026 14:05:09"},
      {2026, 12, 7, 14, 5, 9, "07-12-2026 14:05:09"},
      {2026, 11, 7, 14, 5, 9, "07-11-2026 14:05:09"},
      {2025, 11, 7, 14, 5, 9, "07-11-2025 14:05:09"},
      {2026, 7, 31, 23, 59, 59, "31-07-2026 23:59:59"},
  };
  TempDir dir;
  SettingsStore settings(dir / "zantovel.ini");
  std::tm time{};
  ActivityLog log(settings, dir / "applog.log", [&time] { return time; });
  std::string expected;
  for (const Case& c : cases) {
    time = {};
    time.tm_year = c.year - 1900;
    time.tm_mon = c.month - 1;
    time.tm_mday = c.day;
    time.tm_hour = c.hour;
    time.tm_min = c.minute;
    time.tm_sec = c.second;
    EXPECT_EQ(LogTimestamp(time), c.text);
    log.Write({"x"});
    expected += std::string(c.text) + " x\r\n";
  }
  EXPECT_EQ(ReadFile(dir / "applog.log"), expected);
}

// A line break inside a message (a file name may hold one) never starts a line of its own, and
// a terminal's escape in a name is shown, never obeyed by whoever reads the log.
TEST(LogLineTest, ControlCharactersInAMessageAreWrittenAsEscapes) {
  std::tm time{};
  time.tm_year = 126;
  time.tm_mday = 7;
  struct Case {
    std::string message;
    std::string written;
  } cases[] = {
      {"plain", "plain"},      {"a\rb", "a\\rb"},
      {"a\nb", "a\\nb"},       {"\r\n", "\\r\\n"},
      {"end\n", "end\\n"},     {"", ""},
      {"\x1B[2J", "\\x1B[2J"}, {"c:\\temp\\x", "c:\\temp\\x"},
      {"\x7F", "\\x7F"},
  };
  TempDir dir;
  SettingsStore settings(dir / "zantovel.ini");
  ActivityLog log(settings, dir / "applog.log", [&time] { return time; });
  std::string expected;
  for (const Case& c : cases) {
    log.Write({c.message});
    expected += "07-01-2026 00:00:00 " + c.written + "\r\n";
  }
  EXPECT_EQ(ReadFile(dir / "applog.log"), expected);
}

TEST(FileExistsTest, OnlyRegularFilesExist) {
  TempDir dir;
  WriteFile(dir / "file", "x");
  WriteFile(dir / "readonly", "x", 0444);
  ASSERT_EQ(symlink((dir / "nowhere").c_str(), (dir / "dangling").c_str()), 0);
  ASSERT_EQ(mkfifo((dir / "pipe").c_str(), 0644), 0);
  struct Case {
    std::string path;
    bool exists;
  } cases[] = {
      {"", false},
      {"   ", false},
      {dir / "file", true},
      {dir / "readonly", true},
      {dir.path(), false},
      {dir.path() + "/", false},
      {dir / "dangling", false},
      {dir / "pipe", false},
      {dir / "f*", false},
      {"/dev/full", false},
  };
  for (const Case& c : cases) EXPECT_EQ(FileExists(c.path), c.exists) << c.path;

  struct BlankCase {
    std::string text;
    bool blank;
  } blanks[] = {{"", true}, {"   ", true}, {"\t", false}, {" a ", false}, {"\n", false}};
  for (const BlankCase& c : blanks) EXPECT_EQ(IsBlank(c.text), c.blank) << "[" << c.text << "]";
}

TEST_F(PassTest, WriteCreatesThenOnlyExtends) {
  activityLog.Write({"first"});
  activityLog.Write({""});
  const std::string afterTwo = ReadFile(log);
  activityLog.Write({"third"});
  EXPECT_EQ(LogMessages(log), (std::vector<std::string>{"first", "", "third"}));
  EXPECT_EQ(ReadFile(log).substr(0, afterTwo.size()), afterTwo);
  EXPECT_EQ(afterTwo.substr(19, 8), " first\r\n");
  struct stat st {};
  ASSERT_EQ(stat(log.c_str(), &st), 0);
  const mode_t mask = umask(0);
  umask(mask);
  EXPECT_EQ(st.st_mode & 0777, 0644u & ~mask);

  // The log moves at the next line after AppLog is edited, and again when it is removed; a log
  // renamed away is made afresh.
  const std::string moved = dir / "moved.log";
  settings.Save(kSettingsSection, {{"AppLog", moved}});
  activityLog.Write({"elsewhere"});
  fs::rename(moved, dir / "away.log");
  activityLog.Write({"afresh"});
  EXPECT_EQ(LogMessages(moved), std::vector<std::string>{"afresh"});
  EXPECT_EQ(LogMessages(dir / "away.log"), std::vector<std::string>{"elsewhere"});
  EXPECT_EQ(LogMessages(log).size(), 3u);
  WriteFile(settings.Path(), "");
  activityLog.Write({"by default"});
  EXPECT_EQ(LogMessages(dir / "default.log"), std::vector<std::string>{"by default"});
}

// A writer killed in the middle of a line leaves it torn; the next line starts a line of its
// own. A log path named by a link another user made is refused (the pass may run as root).
TEST_F(PassTest, ALogStartsEveryWriteOnALineOfItsOwnAndFollowsOnlyItsOwnLinks) {
  WriteFile(log, "06-12-2026 14:05:09 Renaming fi");
  activityLog.Write({"next"});
  activityLog.Write({"and the next"});  // on the line after, with no empty line between
  EXPECT_EQ(ReadFile(log).substr(31, 2), "\r\n");
  EXPECT_EQ(ReadFile(log).substr(33 + 19, 7), " next\r\n");
  EXPECT_EQ(LogMessages(log).size(), 3u);

  // A link of the user's own is followed, also to a log not made yet.
  const std::string target = dir / "target";
  const std::string link = dir / "link.log";
  ASSERT_EQ(symlink(target.c_str(), link.c_str()), 0);
  settings.Save(kSettingsSection, {{"AppLog", link}});
  activityLog.Write({"through my own link"});
  EXPECT_EQ(LogMessages(target), std::vector<std::string>{"through my own link"});
  struct stat made {};
  ASSERT_EQ(stat(target.c_str(), &made), 0);
  const mode_t mask = umask(0);
  umask(mask);
  EXPECT_EQ(made.st_mode & 0777, 0644u & ~mask);
  if (getuid() != 0) GTEST_SKIP() << "needs root to make a link of another user's";
  const std::string planted = dir / "planted.log";
  ASSERT_EQ(symlink(target.c_str(), planted.c_str()), 0);
  ASSERT_EQ(lchown(planted.c_str(), 65534, 65534), 0);
  settings.Save(kSettingsSection, {{"AppLog", planted}});
  try {
    activityLog.Write({"not through another's link"});
    ADD_FAILURE() << "written through another user's link";
  } catch (const PlatformError& error) {
    EXPECT_EQ(std::string(error.what()),
              "Cannot open log \"" + planted + "\": It is a link that another user made");
  }
  EXPECT_EQ(LogMessages(target).size(), 1u);
}

TEST_F(PassTest, ALongLogPathIsUsedWhole) {
  const std::string deep = dir / std::string(160, 'd');
  fs::create_directory(deep);
  WriteFile(deep + "/data.csv", "a,b\n");
  settings.Save(kSettingsSection, {{"AppLog", deep + "/data.csv.log"}});
  activityLog.Write({"to the long path"});
  EXPECT_EQ(ReadFile(deep + "/data.csv"), "a,b\n");
  EXPECT_EQ(LogMessages(deep + "/data.csv.log"), std::vector<std::string>{"to the long path"});
}

void AppendTo(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::app) << text;
}

// What the log's watch must notice before the next line, and what it may let pass: each
// change is made to real files after the watch starts on a settings file and a log, as a pass
// watches them.
TEST(PathWatchTest, EveryChangeToWhatThePathsNameIsSeenAndOthersAreNot) {
  struct Case {
    const char* what;
    void (*change)(const std::string& dir);
    bool unchanged;
    bool needsRoot = false;
  } cases[] = {
      {"nothing", [](const std::string&) {}, true},
      {"the log written", [](const std::string& dir) { AppendTo(dir + "/logs/run.log", "x"); },
       true},
      {"a file made beside each",
       [](const std::string& dir) {
         WriteFile(dir + "/bin/other", "");
         WriteFile(dir + "/logs/other", "");
       },
       true},
      {"a file beside the settings file written",
       [](const std::string& dir) { AppendTo(dir + "/bin/other.txt", "x"); }, true},
      {"the settings file written in place",
       [](const std::string& dir) { AppendTo(dir + "/bin/zantovel.ini", "\r\n"); }, false},
      {"the settings file replaced",
       [](const std::string& dir) {
         WriteFile(dir + "/bin/new.ini", "[Settings]\r\n");
         fs::rename(dir + "/bin/new.ini", dir + "/bin/zantovel.ini");
       },
       false},
      {"the settings file's mode",
       [](const std::string& dir) { chmod((dir + "/bin/zantovel.ini").c_str(), 0); }, false},
      {"the log renamed",
       [](const std::string& dir) { fs::rename(dir + "/logs/run.log", dir + "/logs/old.log"); },
       false},
      {"the log removed", [](const std::string& dir) { fs::remove(dir + "/logs/run.log"); }, false},
      {"the log's folder renamed",
       [](const std::string& dir) { fs::rename(dir + "/logs", dir + "/old"); }, false},
      {"a folder above both renamed and made again",
       [](const std::string& dir) {
         fs::rename(dir + "/bin", dir + "/bin.old");
         fs::create_directory(dir + "/bin");
       },
       false},
      {"a folder mounted over the log's",
       [](const std::string& dir) {
         ASSERT_EQ(Shell("mount -t tmpfs none " + dir + "/logs"), 0);
         Shell("umount " + dir + "/logs");
       },
       false, true},
  };
  std::string skipped;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    if (c.needsRoot && geteuid() != 0) {
      skipped += std::string("\n  ") + c.what;
      continue;
    }
    TempDir dir;
    fs::create_directory(dir / "bin");
    fs::create_directory(dir / "logs");
    WriteFile(dir / "bin/zantovel.ini", "[Settings]\r\n");
    WriteFile(dir / "bin/other.txt", "");
    WriteFile(dir / "logs/run.log", "");
    PathWatch watch;
    ASSERT_TRUE(watch.Watch({{dir / "bin/zantovel.ini", Watched::NameAndContent},
                             {dir / "logs/run.log", Watched::Name}}));
    c.change(dir.path());
    EXPECT_EQ(watch.Unchanged(), c.unchanged);
    if (c.unchanged) continue;
    EXPECT_FALSE(watch.Unchanged()) << "a change seen once is seen until the next Watch";
  }

  // Paths a watch could not follow are refused, and a missing file is watched for its coming.
  TempDir dir;
  fs::create_directory(dir / "real");
  fs::create_directory_symlink(dir / "real", dir / "link");
  WriteFile(dir / "real/file.log", "");
  fs::create_symlink(dir / "real/file.log", dir / "real/link.log");
  PathWatch watch;
  for (const std::string& refused : {std::string("relative.log"), dir / "link/file.log",
                                     dir / "real/link.log", dir / "real/../real/file.log"}) {
    EXPECT_FALSE(watch.Watch({{refused, Watched::Name}})) << refused;
    EXPECT_FALSE(watch.Unchanged()) << refused;
  }
  ASSERT_TRUE(watch.Watch({{dir / "later/zantovel.ini", Watched::NameAndContent}}));
  EXPECT_TRUE(watch.Unchanged());
  fs::create_directory(dir / "later");
  EXPECT_FALSE(watch.Unchanged());
  if (!skipped.empty()) GTEST_SKIP() << "needs root to mount, for:" << skipped;
}

}  // namespace
}  // namespace zantovel::test
