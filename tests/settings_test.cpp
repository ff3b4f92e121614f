#include <gtest/gtest.h>
#include <sys/stat.h>

#include <optional>
#include <string>

#include "platform/app.h"
#include "platform/error.h"
#include "platform/path_rules.h"
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
      // A second section of the name is not read, as the system's own functions do not.
      {"[Settings]\r\nA=1\r\n[Settings]\r\nLastP=dup\r\n", "LastP", std::nullopt},
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
       "[Settings]\r\nA=1\r\nLastP=d2\r\n[Settings]\r\nLastP=dup\r\n"},
      {"[Settings]\r\nA=1\r\n[Settings]\r\nB=2\r\n", "C", "3",
       "[Settings]\r\nA=1\r\nC=3\r\n[Settings]\r\nB=2\r\n"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(WithProfileValue(c.before, "Settings", c.key, c.value), c.after) << c.before;
    // Whatever was written reads back, apart from the blanks and quotes a read drops.
    EXPECT_TRUE(FindProfileValue(c.after, "Settings", c.key).has_value()) << c.before;
  }
}

TEST(PathRulesTest, BothStylesOnEveryBuild) {
  const auto posix = PathStyle::Posix, windows = PathStyle::Windows;
  struct Case {
    PathStyle style;
    const char* exePath;
    const char* folder;
    const char* stem;
    const char* settings;
  } cases[] = {
      {posix, "/opt/zantovel/zantovel", "/opt/zantovel", "zantovel", "/opt/zantovel/zantovel.ini"},
      {posix, "/zantovel", "/", "zantovel", "/zantovel.ini"},
      {posix, "/a.b/zantovel.bin", "/a.b", "zantovel", "/a.b/zantovel.ini"},
      {posix, "/x/.hidden", "/x", ".hidden", "/x/.hidden.ini"},
      {posix, "/x\\y/z", "/x\\y", "z", "/x\\y/z.ini"},
      {windows, "C:\\Tools\\Zantovel.exe", "C:\\Tools", "Zantovel", "C:\\Tools\\Zantovel.ini"},
      {windows, "C:\\Zantovel.exe", "C:\\", "Zantovel", "C:\\Zantovel.ini"},
      {windows, "D:/a.b/other.exe", "D:/a.b", "other", "D:/a.b\\other.ini"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FolderOf(c.exePath, c.style), c.folder) << c.exePath;
    EXPECT_EQ(StemOf(c.exePath, c.style), c.stem) << c.exePath;
    EXPECT_EQ(JoinPath(FolderOf(c.exePath, c.style), StemOf(c.exePath, c.style) + ".ini", c.style),
              c.settings)
        << c.exePath;
  }
  struct NameCase {
    std::string text;
    bool posix, windows;
  } names[] = {
      {"a_", true, true},       {"a/b", false, false},        {std::string("a\0", 2), false, false},
      {"a\\b", true, false},    {"a:b", true, false},         {"a\x1F", true, false},
      {"\"*?<>|", true, false}, {"\xEF\xBC\x83", true, true}, {"a b", true, true},
  };
  for (const NameCase& c : names) {
    EXPECT_EQ(FitsInName(c.text, posix), c.posix) << c.text;
    EXPECT_EQ(FitsInName(c.text, windows), c.windows) << c.text;
  }
  // 255 bytes here; 255 UTF-16 units there, where a character beyond U+FFFF takes two.
  const std::string emoji = "\xF0\x9F\x98\x80";
  struct LengthCase {
    std::string name;
    bool posix, windows;
  } lengths[] = {
      {std::string(255, 'n'), true, true},
      {std::string(256, 'n'), false, false},
      {[&] {
         std::string s;
         for (int i = 0; i < 127; ++i) s += emoji;
         return s + "n";
       }(),
       false, true},
      {[&] {
         std::string s;
         for (int i = 0; i < 128; ++i) s += emoji;
         return s;
       }(),
       false, false},
  };
  for (const LengthCase& c : lengths) {
    EXPECT_EQ(NameFitsLength(c.name, posix), c.posix) << c.name.size();
    EXPECT_EQ(NameFitsLength(c.name, windows), c.windows) << c.name.size();
  }
  // Names Windows keeps for devices; none are kept on Linux.
  for (const char* reserved :
       {"aux", "CON", "nul.tmp", "Aux.log", "Com1.tar.gz", "LPT9 .txt", "prn.", "com\xC2\xB2"})
    EXPECT_TRUE(IsReservedName(reserved, windows) && !IsReservedName(reserved, posix)) << reserved;
  for (const char* free : {"auxx", "xaux", "com0", "COM10", "lpt", "con_x.tmp", "a_con.tmp", "",
                           ".aux", " aux", "com\xC2\xB9x"})
    EXPECT_FALSE(IsReservedName(free, windows)) << free;
}

class SettingsTest : public ::testing::Test {
 protected:
  TempDir dir;
  SettingsStore store{dir / "zantovel.ini"};
  void Save(const std::string& key, const std::string& value) {
    EXPECT_NO_THROW(store.Save("Settings", {{key, value}}));
  }
};

TEST_F(SettingsTest, ValuesAndDefaultsComeBackCutTo154Characters) {
  EXPECT_EQ(store.Read("Settings", "LastP", "/tmp/"), "/tmp/");
  EXPECT_EQ(store.Read("Settings", "LastP", std::string(200, 'd')), std::string(154, 'd'));
  Save("LastP", std::string(200, 'v'));
  EXPECT_EQ(store.Read("Settings", "LastP", "x"), std::string(154, 'v'));
  std::string wide;
  for (int i = 0; i < 200; ++i) wide += "\xC3\xA9";
  Save("LastF", wide);
  EXPECT_EQ(store.Read("Settings", "LastF", "x"), wide.substr(0, 308));
  Save("LastT", "");
  EXPECT_EQ(store.Read("Settings", "LastT", ".tmp"), "");
  Save("LastF", "a_ ");
  EXPECT_EQ(store.Read("Settings", "LastF", "x"), "a_");
  EXPECT_EQ(ReadFile(store.Path()),
            "[Settings]\r\nLastP=" + std::string(200, 'v') + "\r\nLastF=a_ \r\nLastT=\r\n");
  // A new file is made for everyone to read, as an editor would make it.
  struct stat st {};
  ASSERT_EQ(stat(store.Path().c_str(), &st), 0);
  const mode_t mask = umask(0);
  umask(mask);
  EXPECT_EQ(st.st_mode & 0777, 0666u & ~mask);
}

// A path cut short names another path: the folder's parent, or data.csv for data.csv.log.
TEST_F(SettingsTest, PathsComeBackWholeAndOtherValuesCut) {
  const std::string deep = "/" + std::string(150, 'd') + "/data.csv";
  const std::string longest(32767, 'p');
  struct Case {
    std::string stored;
    std::string path;   // as ReadPath gives it
    std::string value;  // as Read gives it
  } cases[] = {
      {deep + ".log", deep + ".log", (deep + ".log").substr(0, 154)},
      {std::string(160, 'f') + "/", std::string(160, 'f') + "/", std::string(154, 'f')},
      {longest, longest, longest.substr(0, 154)},
      {longest + "p", "/default", longest.substr(0, 154)},
  };
  for (const Case& c : cases) {
    Save("AppLog", c.stored);
    EXPECT_EQ(store.ReadPath("Settings", "AppLog", "/default"), c.path);
    EXPECT_EQ(store.Read("Settings", "AppLog", "/default"), c.value);
  }
}

TEST_F(SettingsTest, AHandEditedFileKeepsItsOtherLines) {
  const std::string handWritten = "; written by hand\r\n[Settings]\r\nAppLog = /var/log/z.log\r\n";
  WriteFile(store.Path(), handWritten);
  Save("LastP", "/data/");
  EXPECT_EQ(ReadFile(store.Path()), handWritten + "LastP=/data/\r\n");
  EXPECT_EQ(store.Read("Settings", "AppLog", ""), "/var/log/z.log");
  // An edit made behind the store's back is seen by the next read, even one within the same
  // second that keeps the file's size.
  WriteFile(store.Path(), "[Settings]\nLastP=/edited/\n");
  EXPECT_EQ(store.Read("Settings", "LastP", ""), "/edited/");
  WriteFile(store.Path(), "[Settings]\nLastP=/edits2/\n");
  EXPECT_EQ(store.Read("Settings", "LastP", ""), "/edits2/");
  // No temporary file is left beside the settings file.
  EXPECT_EQ(FolderNames(dir.path()), std::vector<std::string>{"zantovel.ini"});
}

// A file far larger than any the program writes is neither read before every log line nor
// rewritten.
TEST_F(SettingsTest, AHugeFileIsNeitherReadNorRewritten) {
  const std::string huge = "[Settings]\r\nLastP=/huge/\r\n" + std::string(kLargestProfile, ';');
  WriteFile(store.Path(), huge);
  EXPECT_EQ(store.Read("Settings", "LastP", "/default/"), "/default/");
  EXPECT_THROW(store.Save("Settings", {{"LastP", "/new/"}}), PlatformError);
  EXPECT_EQ(ReadFile(store.Path()), huge);
  WriteFile(store.Path(), huge.substr(0, kLargestProfile));
  EXPECT_EQ(store.Read("Settings", "LastP", "/default/"), "/huge/");
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

// A writable settings file in a folder that takes no new file is written in place. (A program
// in such a folder keeps its settings in the user's folders; a file named by hand may lie
// anywhere.)
TEST(SettingsFileTest, AFolderThatCannotBeWrittenStillTakesTheSave) {
  TempDir dir;
  SettingsStore store(dir / "zantovel.ini");
  ASSERT_NO_THROW(store.Save("Settings", {{"LastP", "/old/and/longer/"}}));
  if (!CanMakeImmutable(dir.path())) GTEST_SKIP() << "needs root and chattr +i";
  ASSERT_EQ(Shell("chattr +i '" + dir.path() + "'"), 0);
  bool saved = true;
  try {
    store.Save("Settings", {{"LastP", "/new/"}});
  } catch (const PlatformError&) {
    saved = false;
  }
  Shell("chattr -i '" + dir.path() + "'");
  EXPECT_TRUE(saved);
  EXPECT_EQ(SettingsStore(store.Path()).Read("Settings", "LastP", "/default/"), "/new/");
  // Written over the old content, and cut to the new length.
  EXPECT_EQ(ReadFile(store.Path()), "[Settings]\r\nLastP=/new/\r\n");
  EXPECT_EQ(FolderNames(dir.path()), (std::vector<std::string>{"zantovel.ini"}));
}

// A copy in a system's program folder is an installed one, even for root, who may write there:
// its files never go beside it. Any folder the user may write otherwise keeps them beside.
TEST(ProgramPlacesTest, SystemProgramFoldersAreNeverPortable) {
  for (const char* system : {"/usr/bin", "/usr/local/bin", "/bin", "/opt/zantovel/bin"})
    EXPECT_FALSE(KeepsFilesBeside(system)) << system;
  TempDir dir;
  EXPECT_TRUE(KeepsFilesBeside(dir.path()));
  // A folder merely named like one elsewhere is the user's own.
  std::filesystem::create_directories(dir / "usr/bin");
  EXPECT_TRUE(KeepsFilesBeside(dir / "usr/bin"));
}

}  // namespace
}  // namespace zantovel::test
