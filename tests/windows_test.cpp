// The Windows program's own rules, run under Wine: passes over real folders through the
// system's calls, settings through its profile functions, names in UTF-16, Windows paths.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/app.h"
#include "platform/files.h"
#include "platform/win32/wide_text.h"
#include "rename/rename_pass.h"
#include "store/activity_log.h"
#include "tests/pass_fixture.h"

namespace zantovel::test {
namespace {

using win32::Narrow;
using win32::Wide;

// The log lines expected of a case, "%" standing for the folder as typed.
std::vector<std::string> WithFolder(std::vector<std::string> lines, const std::string& typed) {
  for (std::string& line : lines)
    if (const std::size_t at = line.find('%'); at != std::string::npos) line.replace(at, 1, typed);
  return lines;
}

TEST_F(PassTest, PassesOverAWindowsFolder) {
  struct Case {
    const char* what;
    std::string files;  // made in the folder before the pass, each holding its own name; a
                        // name ending in "\" is a folder
    std::string prefix;
    std::string type;
    bool separator;                // the folder typed with a trailing "\"
    std::string after;             // NAME or NAME<CONTENT-NAME when a file holds another's content
    std::vector<std::string> log;  // with "%" for the folder as typed
  } cases[] = {
      {"typed mode renames",
       "x.tmp y.txt",
       "a_",
       ".tmp",
       true,
       "a_x.tmp<x.tmp y.txt",
       {"Renaming file: %x.tmp", "%x.tmp renamed", "Deleting original", "Original deleted"}},
      {"capitals in the name match, in the type they do not",
       "X.TMP Y.TMP",
       "a_",
       ".TMP",
       true,
       "X.TMP Y.TMP",
       {}},
      {"numbering gives 1 once",
       "p.tmp q.tmp",
       "##",
       ".tmp",
       true,
       "001p.tmp<p.tmp 00q.tmp<q.tmp",
       {"Renaming file: %p.tmp", "%p.tmp renamed", "Deleting original", "Original deleted",
        "Renaming file: %q.tmp", "%q.tmp renamed", "Deleting original", "Original deleted"}},
      {"a taken name is never replaced, whatever its letter case",
       "x.tmp A_X.TMP\\",
       "a_",
       ".tmp",
       true,
       "A_X.TMP\\ x.tmp",
       {"Renaming file: %x.tmp", "Target file exists, cannot rename"}},
      {"too long and already prefixed",
       "a_b.tmp abcdefghijklmnopq.tmp",
       "a_",
       ".tmp",
       false,
       "a_b.tmp abcdefghijklmnopq.tmp",
       {"Renaming file: %a_b.tmp", "Filename too long, cannot rename",
        "Renaming file: %abcdefghijklmnopq.tmp", "Filename too long, cannot rename"}},
      {"all-files mode copies and keeps",
       "x.txt",
       "c_",
       "*.*",
       true,
       "c_x.txt<x.txt x.txt",
       {"Renaming file: %x.txt", "%x.txt renamed"}},
      {"all-files mode never replaces either",
       "x.txt c_x.txt",
       "c_",
       "*.*",
       true,
       "c_c_x.txt<c_x.txt c_x.txt x.txt",
       {"Renaming file: %c_x.txt", "%c_x.txt renamed", "Renaming file: %x.txt",
        "Target file exists, cannot rename"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    StartAfresh();
    for (const std::string& name : Words(c.files)) {
      if (name.back() == '\\')
        std::filesystem::create_directory(folder + "\\" + name);
      else
        WriteFile(folder + "\\" + name, name);
    }
    // A subfolder is never listed, whatever its name.
    std::filesystem::create_directory(folder + "\\sub.tmp");
    const std::string typed = c.separator ? folder + "\\" : folder;
    EXPECT_EQ(Run(typed, c.prefix, c.type).message, "Done");
    std::vector<std::string> expected{"sub.tmp"};
    for (const std::string& entry : Words(c.after)) {
      const std::size_t from = entry.find('<');
      std::string name = entry.substr(0, from);
      if (name.back() == '\\') {
        expected.push_back(name.substr(0, name.size() - 1));
        continue;
      }
      expected.push_back(name);
      EXPECT_EQ(ReadFile(folder + "\\" + name),
                from == std::string::npos ? name : entry.substr(from + 1))
          << name;
    }
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(FolderNames(folder), expected);
    EXPECT_EQ(StepMessages(this->log), WithFolder(c.log, typed));
  }
}

// Writes a file by the name as it stands, which the C library would cut at a trailing dot.
void WriteLiteral(const std::string& path, const std::string& content) {
  const HANDLE file = CreateFileW((L"\\\\?\\" + Wide(path)).c_str(), GENERIC_WRITE, 0, nullptr,
                                  CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE) << path;
  DWORD written = 0;
  ::WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
  CloseHandle(file);
}

std::string ReadLiteral(const std::string& path) {
  const HANDLE file = CreateFileW((L"\\\\?\\" + Wide(path)).c_str(), GENERIC_READ, FILE_SHARE_READ,
                                  nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return "<missing>";
  std::string content(4096, '\0');
  DWORD read = 0;
  ::ReadFile(file, content.data(), static_cast<DWORD>(content.size()), &read, nullptr);
  CloseHandle(file);
  content.resize(read);
  return content;
}

// The names in folder as they stand, in byte order. (The C++ library's listing cannot take a
// \\?\ path.)
std::vector<std::string> LiteralNames(const std::string& folder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAW entry;
  const HANDLE search = FindFirstFileW((L"\\\\?\\" + Wide(folder) + L"\\*").c_str(), &entry);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    const std::string name = Narrow(entry.cFileName);
    if (name != "." && name != "..") names.push_back(name);
  } while (FindNextFileW(search, &entry));
  FindClose(search);
  std::sort(names.begin(), names.end());
  return names;
}

// Empties folder through names as they stand. (The C++ library's removal goes round for ever
// on a name that ends in a dot.)
void RemoveLiterally(const std::string& folder) {
  WIN32_FIND_DATAW entry;
  const std::wstring path = L"\\\\?\\" + Wide(folder) + L"\\";
  const HANDLE search = FindFirstFileW((path + L"*").c_str(), &entry);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    const std::wstring name = entry.cFileName;
    if (name == L"." || name == L"..") continue;
    if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      RemoveLiterally(folder + "\\" + Narrow(name));
      RemoveDirectoryW((path + name).c_str());
    } else {
      SetFileAttributesW((path + name).c_str(), FILE_ATTRIBUTE_NORMAL);
      DeleteFileW((path + name).c_str());
    }
  } while (FindNextFileW(search, &entry));
  FindClose(search);
}

// Names Windows would alter on the way (a trailing dot or space, a device's name, a path over
// 260 characters) reach the file they name; a new name Windows keeps for a device is not given.
// A folder is the one its text names, trailing dot and all, however it is spelt: with folders
// g and g. side by side, every spelling of g. renames g.'s file alone.
TEST_F(PassTest, AFolderWhoseNameEndsInADotIsTheOneTyped) {
  const std::string parent = FolderOf(folder);
  // Made and looked at literally, as the system would drop the dots of a typed path.
  const std::string literal = "\\\\?\\" + folder;
  std::filesystem::create_directory(literal + "\\g");
  std::filesystem::create_directory(literal + "\\g.");
  std::filesystem::create_directory(literal + "\\k. ");
  const std::string relative = folder.substr(parent.size() + 1);
  const std::filesystem::path before = std::filesystem::current_path();
  std::filesystem::current_path(parent);
  const struct {
    std::string typed, inside;
  } cases[] = {
      {folder + "\\g.\\", "g."}, {folder + "\\g.", "g."},
      {folder + "/g./", "g."},   {folder + "\\sub\\..\\.\\g.\\\\", "g."},
      {relative + "\\g.", "g."}, {".\\" + relative + "\\g.\\", "g."},
      {folder + "\\g\\", "g"},   {folder + "\\k. ", "k. "},
  };
  int round = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.typed);
    const std::string name = "f" + std::to_string(++round) + ".tmp";
    for (const char* inside : {"g", "g.", "k. "})
      WriteFile(literal + "\\" + inside + "\\" + name, "");
    EXPECT_EQ(Run(c.typed, "a_", ".tmp").message, "Done");
    for (const char* inside : {"g", "g.", "k. "}) {
      const bool renamed = c.inside == inside;
      EXPECT_EQ(std::filesystem::exists(literal + "\\" + inside + "\\a_" + name), renamed)
          << inside;
    }
  }
  std::filesystem::current_path(before);
  // Removed literally too: a typed path to them would name g and k.
  for (const char* inside : {"g.", "k. "}) {
    const std::wstring there = win32::Wide(literal + "\\" + inside + "\\");
    WIN32_FIND_DATAW found;
    const HANDLE listing = FindFirstFileW((there + L"*").c_str(), &found);
    if (listing != INVALID_HANDLE_VALUE) {
      do DeleteFileW((there + found.cFileName).c_str());
      while (FindNextFileW(listing, &found));
      FindClose(listing);
    }
    EXPECT_TRUE(RemoveDirectoryW(there.c_str())) << inside;
  }
}

TEST_F(PassTest, NamesWindowsWouldAlterAreTakenAsTheyStand) {
  const std::string deep = std::string(120, 'd') + "\\" + std::string(120, 'e');
  struct Case {
    std::vector<std::string> files;  // each holding its own name
    std::string subfolder, prefix, type;
    std::vector<std::string> after;  // NAME or NAME<CONTENT
    std::vector<std::string> log;    // "%" for the folder as typed
  } cases[] = {
      {{"b", "b."},
       "",
       "t_",
       ".",
       {"b", "t_b.<b."},
       {"Renaming file: %b.", "%b. renamed", "Deleting original", "Original deleted"}},
      {{"c", "c "},
       "",
       "t_",
       " ",
       {"c", "t_c <c "},
       {"Renaming file: %c ", "%c  renamed", "Deleting original", "Original deleted"}},
      {{"aux"}, "", "c_", "*.*", {"aux", "c_aux<aux"}, {"Renaming file: %aux", "%aux renamed"}},
      {{"com1.tmp"},
       "",
       "a_",
       ".tmp",
       {"a_com1.tmp<com1.tmp"},
       {"Renaming file: %com1.tmp", "%com1.tmp renamed", "Deleting original", "Original deleted"}},
      {{".tmp", "n.tmp"},
       "",
       "AUX",
       ".tmp",
       {".tmp", "AUXn.tmp<n.tmp"},
       {"Renaming file: %.tmp", "New name reserved by Windows, cannot rename",
        "Renaming file: %n.tmp", "%n.tmp renamed", "Deleting original", "Original deleted"}},
      {{".txt"},
       "",
       "com1",
       "*.*",
       {".txt"},
       {"Renaming file: %.txt", "New name reserved by Windows, cannot rename"}},
      // the path is over 260 characters long
      {{"x.tmp"},
       deep,
       "a_",
       ".tmp",
       {"a_x.tmp<x.tmp"},
       {"Renaming file: %x.tmp", "%x.tmp renamed", "Deleting original", "Original deleted"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.prefix + " " + c.type + " " + c.files[0]);
    StartAfresh();
    const std::string where = c.subfolder.empty() ? folder : folder + "\\" + c.subfolder;
    for (std::size_t at = folder.size(); at < where.size(); at = where.find('\\', at + 1)) {
      const std::size_t end = where.find('\\', at + 1);
      ASSERT_TRUE(CreateDirectoryW((L"\\\\?\\" + Wide(where.substr(0, end))).c_str(), nullptr));
      if (end == std::string::npos) break;
    }
    for (const std::string& name : c.files) WriteLiteral(where + "\\" + name, name);
    const std::string typed = where + "\\";
    EXPECT_EQ(Run(typed, c.prefix, c.type).message, "Done");
    std::vector<std::string> expected;
    for (const std::string& entry : c.after) {
      const std::size_t from = entry.find('<');
      const std::string name = entry.substr(0, from);
      expected.push_back(name);
      EXPECT_EQ(ReadLiteral(where + "\\" + name),
                from == std::string::npos ? name : entry.substr(from + 1));
    }
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(LiteralNames(where), expected);
    EXPECT_EQ(StepMessages(this->log), WithFolder(c.log, typed));
    RemoveLiterally(folder);
  }
}

// Hidden and read-only files are files; what a killed copy left is removed, never listed.
TEST_F(PassTest, HiddenFilesAreListedAndLeftoversRemoved) {
  WriteFile(folder + "\\h.tmp", "H");
  WriteFile(folder + "\\r.tmp", "R");
  ASSERT_TRUE(SetFileAttributesW(Wide(folder + "\\h.tmp").c_str(), FILE_ATTRIBUTE_HIDDEN));
  ASSERT_TRUE(SetFileAttributesW(Wide(folder + "\\r.tmp").c_str(), FILE_ATTRIBUTE_READONLY));
  WriteFile(folder + "\\.zantovel-copy-0123456789abcdef0c93", "half a copy");
  WriteFile(folder + "\\.zantovel-copy-backup", "the user's");
  Run(folder + "\\", "a_", ".tmp");
  EXPECT_EQ(FolderNames(folder),
            (std::vector<std::string>{".zantovel-copy-backup", "a_h.tmp", "a_r.tmp"}));
  EXPECT_EQ(ReadFile(folder + "\\a_h.tmp"), "H");
  SetFileAttributesW(Wide(folder + "\\a_r.tmp").c_str(), FILE_ATTRIBUTE_NORMAL);
}

// A read-only file is copied in the all-files mode, and its copy is read-only too; a read-only
// leftover of a killed copy goes; no copy is left hidden. Run as an ordinary user too, since
// an administrator may write read-only files.
TEST_F(PassTest, ReadOnlyFilesAreCopiedAndReadOnlyLeftoversRemoved) {
  const std::string leftover = TemporaryName(kCopyStem);
  for (const std::string name : {"r.txt", "w.txt", "s.txt", leftover.c_str()})
    WriteFile(folder + "\\" + name, name);
  const auto attributes = [&](const std::string& name) {
    return GetFileAttributesW(Wide(folder + "\\" + name).c_str());
  };
  for (const std::string name : {"r.txt", leftover.c_str()})
    ASSERT_TRUE(SetFileAttributesW(Wide(folder + "\\" + name).c_str(), FILE_ATTRIBUTE_READONLY));
  ASSERT_TRUE(SetFileAttributesW(Wide(folder + "\\s.txt").c_str(),
                                 FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_SYSTEM));
  EXPECT_EQ(Run(folder, "c_", "*.*").message, "Done");
  EXPECT_EQ(FolderNames(folder),
            (std::vector<std::string>{"c_r.txt", "c_s.txt", "c_w.txt", "r.txt", "s.txt", "w.txt"}));
  const DWORD kept = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
  for (const std::string name : {"r.txt", "s.txt", "w.txt"}) {
    EXPECT_EQ(ReadFile(folder + "\\c_" + name), name);
    EXPECT_EQ(attributes("c_" + name) & kept, attributes(name) & kept) << name;
    SetFileAttributesW(Wide(folder + "\\c_" + name).c_str(), FILE_ATTRIBUTE_NORMAL);
    SetFileAttributesW(Wide(folder + "\\" + name).c_str(), FILE_ATTRIBUTE_NORMAL);
  }
}

// A name that is not valid UTF-16 (a lone surrogate) is still a file to rename.
TEST_F(PassTest, NamesThatAreNotValidUtf16AreRenamed) {
  const std::wstring name = L"\xD800x.tmp";
  const HANDLE file = CreateFileW(Wide(folder + "\\").append(name).c_str(), GENERIC_WRITE, 0,
                                  nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) GTEST_SKIP() << "the file system keeps no lone surrogates";
  CloseHandle(file);
  Run(folder + "\\", "a_", ".tmp");
  EXPECT_NE(GetFileAttributesW(Wide(folder + "\\a_").append(name).c_str()),
            INVALID_FILE_ATTRIBUTES);
}

// Every UTF-16 text comes back from UTF-8 as it was, valid or not.
TEST(WideTextTest, EveryNameSurvivesTheWayThroughUtf8) {
  struct Case {
    std::wstring wide;
    std::string narrow;
  } cases[] = {
      {L"x.tmp", "x.tmp"},
      {L"\x00E9\x65E5", "\xC3\xA9\xE6\x97\xA5"},
      {L"\xD83D\xDE00", "\xF0\x9F\x98\x80"},          // a pair is one character
      {L"\xD800x", "\xED\xA0\x80x"},                  // a lone high surrogate
      {L"x\xDFFF", "x\xED\xBF\xBF"},                  // a lone low one
      {L"\xDE00\xD83D", "\xED\xB8\x80\xED\xA0\xBD"},  // a pair the wrong way round
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Narrow(c.wide), c.narrow);
    EXPECT_EQ(Wide(c.narrow), c.wide);
  }
  EXPECT_EQ(Wide("\xFF.tmp"), L"\xFFFD.tmp");  // a stray byte cannot name a file
}

// A failure stops the pass where it happens; what was done stays done, nothing else is touched.
TEST_F(PassTest, AFileInUseStopsThePassWithTheSystemsReason) {
  WriteFile(folder + "\\a.tmp", "A");
  WriteFile(folder + "\\b.tmp", "B");
  WriteFile(folder + "\\c.tmp", "C");
  // Open without shared deletion, as an editor holds a file: it cannot be renamed.
  const HANDLE held = CreateFileW(Wide(folder + "\\b.tmp").c_str(), GENERIC_READ, FILE_SHARE_READ,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  const PassResult result = Run(folder + "\\", "a_", ".tmp");
  CloseHandle(held);

  EXPECT_EQ(result.end, PassEnd::Failed);
  EXPECT_EQ(result.message.rfind(
                "Cannot rename \"" + folder + "\\b.tmp\" to \"" + folder + "\\a_b.tmp\": ", 0),
            0u)
      << result.message;
  EXPECT_EQ(FolderNames(folder), (std::vector<std::string>{"a_a.tmp", "b.tmp", "c.tmp"}));
  EXPECT_EQ(ReadFile(folder + "\\b.tmp"), "B");
  const std::vector<std::string> log = StepMessages(this->log);
  ASSERT_FALSE(log.empty());
  EXPECT_EQ(log.back(), "Renaming file: " + folder + "\\b.tmp");
}

TEST_F(PassTest, FoldersAndPrefixesThatCannotBeUsedAreRefused) {
  WriteFile(folder + "\\x.tmp", "X");
  const std::string refused =
      "The prefix may not contain \\ / : * ? \" < > | or a control character: it must name a "
      "file in the chosen folder.";
  struct Case {
    std::string folderText;
    std::string prefix;
    std::string boxStart;
  } cases[] = {
      {folder + "\\missing\\", "a_", "Cannot open folder \"" + folder + "\\missing\\\": "},
      {"", "a_", "Cannot open folder \"\": "},
      {folder + "\\x.tmp", "a_", "Cannot open folder \"" + folder + "\\x.tmp\": "},
  };
  for (const Case& c : cases) {
    const PassResult result = Run(c.folderText, c.prefix, ".tmp");
    EXPECT_EQ(result.message.rfind(c.boxStart, 0), 0u) << result.message;
    EXPECT_GT(result.message.size(), c.boxStart.size()) << "the system's reason";
  }
  for (const char* bad : {"\\", "/", ":", "*", "?", "\"", "<", ">", "|", "\x01", "\t", "\x1F"}) {
    const PassResult result = Run(folder + "\\", std::string("a") + bad, ".tmp");
    EXPECT_EQ(result.message, refused) << int(bad[0]);
    EXPECT_EQ(result.end, PassEnd::PrefixRefused);
  }
  EXPECT_EQ(FolderNames(folder), std::vector<std::string>{"x.tmp"});
  EXPECT_FALSE(std::filesystem::exists(log));
}

class WindowsSettingsTest : public ::testing::Test {
 protected:
  TempDir dir;
  SettingsStore store{dir / "zantovel.ini"};
};

TEST_F(WindowsSettingsTest, ValuesRoundTripInAnyScriptAndComeBackCut) {
  const std::string folderName = "C:\\\xD0\xA4\xD0\xBE\xD1\x82\xD0\xBE\\\xE6\x97\xA5\xE6\x9C\xAC\\";
  store.Save(kSettingsSection, {{"LastP", folderName},
                                {"LastF", std::string(200, 'f')},
                                {"LastT", ""},
                                {"AppLog", "C:\\" + std::string(300, 'l') + "\\z.log"}});
  // A new file is UTF-8 without a mark, as the Linux build writes it.
  EXPECT_EQ(ReadFile(store.Path()).substr(0, 21), "[Settings]\r\nLastP=C:\\");
  struct Case {
    const char* key;
    std::string read;      // ReadSetting
    std::string readPath;  // ReadPathSetting
  } cases[] = {
      {"LastP", folderName, folderName},
      {"LastF", std::string(154, 'f'), std::string(200, 'f')},
      {"LastT", "", ""},
      {"AppLog", ("C:\\" + std::string(300, 'l')).substr(0, 154),
       "C:\\" + std::string(300, 'l') + "\\z.log"},
      {"Missing", std::string(154, 'd'), std::string(160, 'd')},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(store.Read(kSettingsSection, c.key, std::string(160, 'd')), c.read) << c.key;
    EXPECT_EQ(store.ReadPath(kSettingsSection, c.key, std::string(160, 'd')), c.readPath) << c.key;
  }
}

}  // namespace
}  // namespace zantovel::test
