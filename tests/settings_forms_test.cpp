// One settings file means the same to both builds, whatever form its text is in: this suite
// runs in the Linux build and, under Wine, in the Windows build.
#include <gtest/gtest.h>

#include <string>

#include "platform/path_rules.h"
#include "platform/profile.h"
#include "store/settings.h"
#include "tests/test_support.h"

namespace zantovel::test {
namespace {

// "пре_" and "папка".
const std::string kPrefix = "\xD0\xBF\xD1\x80\xD0\xB5_";
const std::string kFolder = "\xD0\xBF\xD0\xB0\xD0\xBF\xD0\xBA\xD0\xB0";

TEST(SettingsFormsTest, EveryFormIsReadAndSavedInTheFormItHad) {
  const std::string text = "[Settings]\r\nLastP=" + kFolder + "\r\n";
  struct Case {
    const char* what;
    TextForm form;
    bool exists;
  } cases[] = {
      {"no file", TextForm::Utf8, false},
      {"UTF-8", TextForm::Utf8, true},
      {"UTF-8 with a mark", TextForm::Utf8Marked, true},
      {"UTF-16 little-endian", TextForm::Utf16LittleEndian, true},
      {"UTF-16 big-endian", TextForm::Utf16BigEndian, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    const std::string path = dir / "zantovel.ini";
    if (c.exists) WriteFile(path, EncodeProfile(text, c.form));
    EXPECT_EQ(SettingsStore(path).Read(kSettingsSection, "LastP", "none"),
              c.exists ? kFolder : "none");
    EXPECT_NO_THROW(SettingsStore(path).Save(kSettingsSection, {{"LastF", kPrefix}}));
    // The same form, one section, both keys; a fresh store reads what another process would.
    const std::string bytes = ReadFile(path);
    const ProfileText saved = DecodeProfile(bytes);
    EXPECT_EQ(saved.form, c.form);
    EXPECT_EQ(saved.text, (c.exists ? text : "[Settings]\r\n") + "LastF=" + kPrefix + "\r\n");
    EXPECT_EQ(SettingsStore(path).Read(kSettingsSection, "LastF", "none"), kPrefix);
    // A save that changes nothing leaves the bytes alone.
    EXPECT_NO_THROW(SettingsStore(path).Save(kSettingsSection, {{"LastF", kPrefix}}));
    EXPECT_EQ(ReadFile(path), bytes);
  }
}

// A file in a legacy code page: Linux keeps its bytes; Windows reads it in the system's code
// page and saves it as marked UTF-8, so the new value and the old ones all survive.
TEST(SettingsFormsTest, ALegacyFileKeepsEveryCharacter) {
  TempDir dir;
  const std::string path = dir / "zantovel.ini";
  WriteFile(path, "[Settings]\r\nLastP=caf\xE9\r\n");
  const bool windows = NativeStyle() == PathStyle::Windows;
  const std::string cafe = windows ? "caf\xC3\xA9" : "caf\xE9";
  EXPECT_EQ(SettingsStore(path).Read(kSettingsSection, "LastP", "none"), cafe);
  EXPECT_NO_THROW(SettingsStore(path).Save(kSettingsSection, {{"LastF", kPrefix}}));
  EXPECT_EQ(SettingsStore(path).Read(kSettingsSection, "LastP", "none"), cafe);
  EXPECT_EQ(SettingsStore(path).Read(kSettingsSection, "LastF", "none"), kPrefix);
  EXPECT_EQ(ReadFile(path).substr(0, 3) == "\xEF\xBB\xBF", windows);
}

// Text that is not valid in its form comes through as far as it can, never with a crash.
TEST(SettingsFormsTest, BrokenTextIsReadWithoutHarm) {
  for (const std::string& bytes :
       {std::string("\xFF\xFE[\0S", 5), std::string("\xFE\xFF\xD8\x00", 4),
        std::string("\xFF\xFE\x00\xD8\x41\x00", 6), std::string("\xEF\xBB\xBF\xC3", 4)}) {
    const ProfileText read = DecodeProfile(bytes);
    EXPECT_EQ(DecodeProfile(EncodeProfile(read.text, read.form)).text, read.text);
  }
}

}  // namespace
}  // namespace zantovel::test
