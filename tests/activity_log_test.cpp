#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

#include "platform/app.h"
#include "platform/dialogs.h"
#include "store/activity_log.h"
#include "tests/pass_fixture.h"

namespace zantovel::test {
namespace {

namespace fs = std::filesystem;

TEST(LogTimestampTest, DayMonthYearAndTwentyFourHourClock) {
  struct Case {
    int year, month, day, hour, minute, second;
    const char* text;
  } cases[] = {
      {2027, 1, 1, 0, 0, 1, "01-01-2027 00:00:01"},
      {2026, 12, 6, 14, 5, 9, "06-12-2026 14:05:09"},
      {2026, 7, 31, 23, 59, 59, "31-07-2026 23:59:59"},
  };
  for (const Case& c : cases) {
    std::tm time{};
    time.tm_year = c.year - 1900;
    time.tm_mon = c.month - 1;
    time.tm_mday = c.day;
    time.tm_hour = c.hour;
    time.tm_min = c.minute;
    time.tm_sec = c.second;
    EXPECT_EQ(LogTimestamp(time), c.text);
  }
}

// A line break inside a message (a file name may hold one) never starts a line of its own.
TEST(LogLineTest, LineBreaksInAMessageAreWrittenAsEscapes) {
  std::tm time{};
  time.tm_year = 126;
  time.tm_mday = 7;
  struct Case {
    std::string message;
    std::string written;
  } cases[] = {
      {"plain", "plain"}, {"a\rb", "a\\rb"},   {"a\nb", "a\\nb"},
      {"\r\n", "\\r\\n"}, {"end\n", "end\\n"}, {"", ""},
  };
  for (const Case& c : cases)
    EXPECT_EQ(LogLine(time, c.message), "07-01-2026 00:00:00 " + c.written + "\r\n") << c.written;
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

TEST_F(PassTest, WriteLogCreatesThenOnlyExtends) {
  WriteLog("first");
  WriteLog("");
  const std::string afterTwo = ReadFile(log);
  WriteLog("third");
  EXPECT_EQ(LogMessages(log), (std::vector<std::string>{"first", "", "third"}));
  EXPECT_EQ(ReadFile(log).substr(0, afterTwo.size()), afterTwo);
  EXPECT_EQ(afterTwo.substr(19, 8), " first\r\n");

  // The log moves at the next line after AppLog is edited.
  const std::string moved = dir / "moved.log";
  SaveSetting(kSettingsSection, "AppLog", moved);
  WriteLog("elsewhere");
  EXPECT_EQ(LogMessages(moved), std::vector<std::string>{"elsewhere"});
  EXPECT_EQ(LogMessages(log).size(), 3u);
}

TEST_F(PassTest, ALongLogPathIsUsedWhole) {
  const std::string deep = dir / std::string(160, 'd');
  fs::create_directory(deep);
  WriteFile(deep + "/data.csv", "a,b\n");
  SaveSetting(kSettingsSection, "AppLog", deep + "/data.csv.log");
  WriteLog("to the long path");
  EXPECT_EQ(ReadFile(deep + "/data.csv"), "a,b\n");
  EXPECT_EQ(LogMessages(deep + "/data.csv.log"), std::vector<std::string>{"to the long path"});
}

TEST_F(PassTest, DefaultLogLiesInTheProgramFolder) {
  fs::remove(SettingsFilePath());
  EXPECT_EQ(DefaultLogPath(), AppPath() + "/applog.log");
  const bool existed = fs::exists(DefaultLogPath());
  const std::string before = existed ? ReadFile(DefaultLogPath()) : "";
  WriteLog("to the default");
  const std::string after = ReadFile(DefaultLogPath());
  EXPECT_EQ(after.substr(0, before.size()), before);
  EXPECT_EQ(after.substr(after.size() - 17), " to the default\r\n");
  // The log beside the test program is left as it was found.
  if (existed)
    WriteFile(DefaultLogPath(), before);
  else
    fs::remove(DefaultLogPath());
}

TEST(BrowseForFolderTest, ShapesThePickedPath) {
  struct Case {
    std::string picked;
    std::optional<std::string> result;
  } cases[] = {
      {"/home/u/photos", "/home/u/photos/"},
      {"/", "/"},
      {"", std::nullopt},  // cancelled, or an item with no file-system path
      {std::string(4095, 'p'), std::string(4095, 'p') + "/"},
  };
  for (const Case& c : cases) {
    FolderDialogAnswers() = {c.picked};
    EXPECT_EQ(BrowseForFolder(nullptr, "Select folder"), c.result) << c.picked;
  }
}

}  // namespace
}  // namespace zantovel::test
