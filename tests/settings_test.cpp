#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "platform/app.h"
#include "platform/profile.h"
#include "store/settings.h"
#include "tests/test_support.h"

namespace zantovel::test {
namespace {

namespace fs = std::filesystem;

TEST(ProfileTest, ReadingFindsValuesByTheReadingRules) {
  struct Case {
    std::string content;
    std::string key;
    std::optional<std::string> value;
  } cases[] = {
      {"[Settings]\r\nLastP=/tmp/\r\n", "LastP", "/tmp/"},
      {"[settings]\r\nlastp=x\r\n", "LASTP", "x"},
      {"  [ Settings ]  \r\n  LastP  =  x y  \r\n", "LastP", "x y"},
      {"[Settings]\r\nLastP=\"  quoted  \"\r\n", "LastP", "  quoted  "},
      {"[Settings]\r\nLastP='q'\r\n", "LastP", "q"},
      {"[Settings]\r\nLastP=\"half\r\n", "LastP", "\"half"},
      {"[Settings]\r\nLastP=\r\n", "LastP", ""},
      {"[Settings]\r\n \t \r\nLastP= \t \r\n", "LastP", ""},  // lines and values of blanks only
      {"[Settings]\r\n;LastP=commented\r\n", "LastP", std::nullopt},
      {"[Settings]\nLastF=lf\nLastP=p\n", "LastP", "p"},
      {"[Settings]\rLastF=cr\rLastP=p", "LastP", "p"},
      {"[Other]\r\nLastP=other\r\n[Settings]\r\nLastT=t\r\n", "LastP", std::nullopt},
      {"LastP=before any section\r\n[Settings]\r\n", "LastP", std::nullopt},
      {"[Settings]\r\nLastP=first\r\nLastP=second\r\n", "LastP", "first"},
      {"[Settings]\r\nA=1\r\n[Settings]\r\nLastP=dup\r\n", "LastP", "dup"},
      {"[Settings]\r\nLastP=a=b\r\n", "LastP", "a=b"},
      {"[Settings]\r\nno equals sign\r\nLastP=v", "LastP", "v"},
      {"", "LastP", std::nullopt},
      {std::string("[Settings]\r\nLastP=bin\0ary\r\n", 26), "LastP", std::string("bin\0ary", 7)},
  };
  for (const Case& c : cases)
    EXPECT_EQ(FindProfileValue(c.content, "Settings", c.key), c.value) << c.content;
}

TEST(ProfileTest, WritingChangesOnlyTheKeysLine) {
  struct Case {
    std::string before;
    std::string key;
    std::string value;
    std::string after;
  } cases[] = {
      {"", "LastP", "/tmp/", "[Settings]\r\nLastP=/tmp/\r\n"},
      {"[Settings]\r\nLastP=/tmp/\r\n", "LastF", "a_", "[Settings]\r\nLastP=/tmp/\r\nLastF=a_\r\n"},
      {"; mine\r\n[Settings]\r\nLastP=old\r\nAppLog=/l\r\n", "lastp", "new",
       "; mine\r\n[Settings]\r\nlastp=new\r\nAppLog=/l\r\n"},
      {"[Settings]\r\nLastP=p\r\n\r\n[Other]\r\nk=v\r\n", "LastT", ".tmp",
       "[Settings]\r\nLastP=p\r\nLastT=.tmp\r\n\r\n[Other]\r\nk=v\r\n"},
      {"[Other]\nk=v", "LastP", "p", "[Other]\nk=v\r\n[Settings]\r\nLastP=p\r\n"},
      {"[Settings]\nLastP=old\nLastF=f\n", "LastP", "new", "[Settings]\nLastP=new\r\nLastF=f\n"},
      {"[Settings]", "LastP", "p", "[Settings]\r\nLastP=p\r\n"},
      {"[Settings]\r\nLastP=x\r\n", "LastP", "", "[Settings]\r\nLastP=\r\n"},
      {"[Settings]\r\nLastP=x\r\n", "LastP", "two\r\nAppLog=/etc/x", "[Settings]\r\nLastP=two\r\n"},
      {"[Settings]\r\nA=1\r\n[Settings]\r\nLastP=dup\r\n", "LastP", "d2",
       "[Settings]\r\nA=1\r\n[Settings]\r\nLastP=d2\r\n"},
      {"[Settings]\r\nA=1\r\n[Settings]\r\nB=2\r\n", "C", "3",
       "[Settings]\r\nA=1\r\nC=3\r\n[Settings]\r\nB=2\r\n"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(WithProfileValue(c.before, "Settings", c.key, c.value), c.after) << c.before;
    // Whatever was written reads back, apart from the blanks and quotes a read drops.
    EXPECT_TRUE(FindProfileValue(c.after, "Settings", c.key).has_value()) << c.before;
  }
}

TEST(AppIdentityTest, ProgramFolderAndNameFollowTheExecutablePath) {
  struct Case {
    const char* exePath;
    const char* folder;
    const char* name;
  } cases[] = {
      {"/opt/zantovel/zantovel", "/opt/zantovel", "zantovel"},
      {"/zantovel", "/", "zantovel"},
      {"/home/u/bin/other", "/home/u/bin", "other"},
      {"/a.b/zantovel.bin", "/a.b", "zantovel"},
      {"/x/.hidden", "/x", ".hidden"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ProgramFolderOf(c.exePath), c.folder) << c.exePath;
    EXPECT_EQ(ExeNameOf(c.exePath), c.name) << c.exePath;
  }
  EXPECT_EQ(AppTitle(), "Zantovel");
  const AppVersion version = AppVersionNumbers();
  EXPECT_EQ(std::to_string(version.major) + "." + std::to_string(version.minor) + "." +
                std::to_string(version.revision),
            ZANTOVEL_TEST_VERSION);
  EXPECT_EQ(SettingsFilePath(), ProgramFolderOf(ExecutablePath()) + "/core_tests.ini");
}

class SettingsTest : public ::testing::Test {
 protected:
  void SetUp() override { fs::remove(SettingsFilePath()); }
  void TearDown() override { fs::remove(SettingsFilePath()); }
};

TEST_F(SettingsTest, ValuesAndDefaultsComeBackCutTo154Characters) {
  EXPECT_EQ(ReadSetting("Settings", "LastP", "/tmp/"), "/tmp/");
  EXPECT_EQ(ReadSetting("Settings", "LastP", std::string(200, 'd')), std::string(154, 'd'));
  SaveSetting("Settings", "LastP", std::string(200, 'v'));
  EXPECT_EQ(ReadSetting("Settings", "LastP", "x"), std::string(154, 'v'));
  std::string wide;
  for (int i = 0; i < 200; ++i) wide += "\xC3\xA9";
  SaveSetting("Settings", "LastF", wide);
  EXPECT_EQ(ReadSetting("Settings", "LastF", "x"), wide.substr(0, 308));
  SaveSetting("Settings", "LastT", "");
  EXPECT_EQ(ReadSetting("Settings", "LastT", ".tmp"), "");
  SaveSetting("Settings", "LastF", "a_ ");
  EXPECT_EQ(ReadSetting("Settings", "LastF", "x"), "a_");
  EXPECT_EQ(ReadFile(SettingsFilePath()),
            "[Settings]\r\nLastP=" + std::string(200, 'v') + "\r\nLastF=a_ \r\nLastT=\r\n");
}

// A path cut short names another path: the folder's parent, or data.csv for data.csv.log.
TEST_F(SettingsTest, PathsComeBackWholeAndOtherValuesCut) {
  const std::string deep = "/" + std::string(150, 'd') + "/data.csv";
  const std::string longest(32767, 'p');
  struct Case {
    std::string stored;
    std::string path;   // as ReadPathSetting gives it
    std::string value;  // as ReadSetting gives it
  } cases[] = {
      {deep + ".log", deep + ".log", (deep + ".log").substr(0, 154)},
      {std::string(160, 'f') + "/", std::string(160, 'f') + "/", std::string(154, 'f')},
      {longest, longest, longest.substr(0, 154)},
      {longest + "p", "/default", longest.substr(0, 154)},
  };
  for (const Case& c : cases) {
    SaveSetting("Settings", "AppLog", c.stored);
    EXPECT_EQ(ReadPathSetting("Settings", "AppLog", "/default"), c.path);
    EXPECT_EQ(ReadSetting("Settings", "AppLog", "/default"), c.value);
  }
}

TEST_F(SettingsTest, AHandEditedFileKeepsItsOtherLines) {
  const std::string handWritten = "; written by hand\r\n[Settings]\r\nAppLog = /var/log/z.log\r\n";
  WriteFile(SettingsFilePath(), handWritten);
  SaveSetting("Settings", "LastP", "/data/");
  EXPECT_EQ(ReadFile(SettingsFilePath()), handWritten + "LastP=/data/\r\n");
  EXPECT_EQ(ReadSetting("Settings", "AppLog", ""), "/var/log/z.log");
  // Nothing is cached: an edit made behind the store's back is seen by the next read.
  WriteFile(SettingsFilePath(), "[Settings]\nLastP=/edited/\n");
  EXPECT_EQ(ReadSetting("Settings", "LastP", ""), "/edited/");
  // No temporary file is left beside the settings file.
  for (const std::string& name : FolderNames(ProgramFolderOf(SettingsFilePath())))
    EXPECT_EQ(name.find(".core_tests.ini."), std::string::npos) << name;
}

}  // namespace
}  // namespace zantovel::test

namespace zantovel::test {
namespace {

TEST(SettingsFileTest, EachExecutableNameHasItsOwnFile) {
  InstalledProbe zantovel("zantovel");
  zantovel("save LastP /data/");
  EXPECT_EQ(ReadFile(zantovel.bin / "zantovel.ini"), "[Settings]\r\nLastP=/data/\r\n");
  EXPECT_EQ(zantovel("get LastP /tmp/"), "/data/\n");
  std::filesystem::copy_file(zantovel.exe, zantovel.bin / "other");
  EXPECT_EQ(Capture(zantovel.bin / "other" + " get LastP /tmp/"), "/tmp/\n");
}

// A writable settings file in a folder that takes no new file is written in place.
TEST(SettingsFileTest, AFolderThatCannotBeWrittenStillTakesTheSave) {
  InstalledProbe zantovel("zantovel");
  zantovel("save LastP /old/");
  if (!CanMakeImmutable(zantovel.bin.path())) GTEST_SKIP() << "needs root and chattr +i";
  ASSERT_EQ(Shell("chattr +i '" + zantovel.bin.path() + "'"), 0);
  EXPECT_EQ(zantovel("save LastP /new/ 2>&1"), "");
  EXPECT_EQ(zantovel("get LastP /default/"), "/new/\n");
  EXPECT_EQ(FolderNames(zantovel.bin.path()),
            (std::vector<std::string>{"zantovel", "zantovel.ini"}));
}

}  // namespace
}  // namespace zantovel::test
