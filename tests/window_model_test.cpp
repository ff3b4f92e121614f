// What the window does, without a window: restoring and keeping the fields, the hover rules,
// a pass, the help and the folder picker. The Qt window's own tests check that it draws this
// and hands its events here.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/preview.h"
#include "app/window_model.h"
#include "platform/app.h"
#include "platform/path_rules.h"
#include "tests/pass_fixture.h"
#include "tests/recording_dialogs.h"

namespace zantovel::test {
namespace {

namespace fs = std::filesystem;
using Over = WindowModel::PointerOver;

const std::string kSep(1, PathSeparator());

TEST(WindowModelTest, HoverLightsARectangleUntilThePointerIsOverTheBackground) {
  struct Case {
    const char* what;
    std::vector<Over> moves;
    WindowModel::Highlights lit;
  } cases[] = {
      {"at rest", {}, {false, false}},
      {"over ...", {Over::BrowseButton}, {true, false}},
      {"over Run", {Over::RunButton}, {false, true}},
      {"one after the other", {Over::BrowseButton, Over::RunButton}, {true, true}},
      {"back to the background",
       {Over::BrowseButton, Over::RunButton, Over::Background},
       {false, false}},
      {"the background, then Run",
       {Over::BrowseButton, Over::Background, Over::RunButton},
       {false, true}},
  };
  TempDir home;
  ProgramFiles files(home / "zantovel");
  for (const Case& c : cases) {
    WindowModel model(files);
    WindowModel::Highlights lit;
    for (const Over where : c.moves) lit = model.PointerMoved(where);
    EXPECT_EQ(lit, c.lit) << c.what;
  }
}

TEST_F(PassTest, TheWindowRestoresWhatItKeptAndRunsWithItsFields) {
  ProgramFiles files(dir / "zantovel");
  WindowModel model(files);
  EXPECT_EQ(WindowModel::Caption(), std::string("Zantovel v") + ZANTOVEL_TEST_VERSION);
  const WindowFields defaults = model.Restore();
  EXPECT_EQ(defaults.folder, DefaultFolder());
  EXPECT_EQ(defaults.prefix, "a_");
  EXPECT_EQ(defaults.type, ".tmp");

  // A folder comes back whole; prefix and type are cut at 154 characters.
  const WindowFields kept = {folder + kSep + std::string(200, 'f') + kSep, std::string(160, 'p'),
                             ""};
  model.Keep(kept);
  const WindowFields restored = model.Restore();
  EXPECT_EQ(restored.folder, kept.folder);
  EXPECT_EQ(restored.prefix, std::string(154, 'p'));
  EXPECT_EQ(restored.type, "");

  files.Settings().Save(kSettingsSection, {{"AppLog", log}});
  WriteFile(folder + kSep + "p.tmp", "P");
  // Each way a pass ends has its box: plain when done, an exclamation for a refused prefix,
  // critical for a failure.
  RecordedBoxes().clear();
  for (const WindowFields& fields :
       {WindowFields{folder + kSep, "##", ".tmp"}, WindowFields{folder + kSep, "a/", ".tmp"},
        WindowFields{folder + kSep + "missing", "a_", ".tmp"}}) {
    const WindowModel::Box box = model.AfterPass(model.RunPass(fields, nullptr, nullptr), fields);
    MsgBox(box.text, box.icon, "Zantovel");
  }
  EXPECT_EQ(FolderNames(folder), std::vector<std::string>{"001p.tmp"});
  EXPECT_EQ(StepMessages(log).size(), 4u);
  model.ShowHelp();
  const MsgIcon icons[] = {MsgIcon::None, MsgIcon::Exclamation, MsgIcon::Critical,
                           MsgIcon::Information};
  ASSERT_EQ(RecordedBoxes().size(), std::size(icons));
  for (std::size_t i = 0; i < std::size(icons); ++i) {
    EXPECT_EQ(RecordedBoxes()[i].icon, icons[i]) << RecordedBoxes()[i].text;
    EXPECT_EQ(RecordedBoxes()[i].caption, "Zantovel");
  }
  EXPECT_EQ(RecordedBoxes()[0].text, "Done\n\n1 renamed.\nLog: " + log);
  EXPECT_EQ(RecordedBoxes()[3].text.substr(0, 25), "The prefix is the charact");
}

TEST(WindowModelTest, ThePickerFillsTheFolderOrLeavesItOnCancel) {
  struct Case {
    std::string picked;  // the empty text stands for a cancel
    std::string field;
  } cases[] = {
#ifdef _WIN32
      {"C:\\Users\\u\\photos", "C:\\Users\\u\\photos\\"},
      {"C:\\", "C:\\"},
#else
      {"/home/u/photos", "/home/u/photos/"},
      {"/", "/"},
#endif
      {"", "/kept/"},
  };
  for (const Case& c : cases) {
    FolderDialogAnswers() = {c.picked};
    FolderDialogStarts().clear();
    EXPECT_EQ(WindowModel::PickFolder(nullptr, "/kept/"), c.field) << c.picked;
    EXPECT_EQ(FolderDialogStarts(), std::vector<std::string>{"/kept/"});
  }
}

// A screen of 1280 by 800 with the owner's frame somewhere on it: the preview of 600 by 400 goes
// beside it whole where a side has room, else smaller on the roomiest side, never over it.
TEST(WindowModelTest, ThePreviewGoesBesideItsOwnerWithoutCoveringIt) {
  const ScreenBox screen{0, 0, 1280, 800}, wanted{0, 0, 600, 400};
  const struct {
    ScreenBox owner, expected;
  } cases[] = {
      {{100, 100, 320, 130}, {428, 100, 600, 400}},  // room on the right
      {{900, 100, 320, 130}, {292, 100, 600, 400}},  // on the left, ending at the owner
      {{480, 200, 320, 130}, {0, 338, 600, 400}},    // below: neither side is wide enough
      {{480, 600, 320, 130}, {0, 192, 600, 400}},    // above, ending at the owner
      {{480, 340, 320, 130}, {0, 0, 600, 332}},      // lowered: above has the most room
      {{0, 0, 1280, 800}, {680, 0, 600, 400}},       // no room at all: at the screen's edge
  };
  for (const auto& c : cases) {
    const ScreenBox place = PlaceBeside(wanted, c.owner, screen);
    EXPECT_EQ(place, c.expected) << c.owner.left << "," << c.owner.top << " gives " << place.left
                                 << "," << place.top << " " << place.width << "x" << place.height;
  }
}

// A path from outside the field (the command line, a drop) as the Folder field holds it: a
// folder or a file's folder, absolute, ending in the separator; on Linux "~" is the home
// folder, as in the shell, and on Windows a name like any other.
TEST(WindowModelTest, APathFromOutsideBecomesTheFolderField) {
  const TempDir dir;
  fs::create_directory(dir / "sub");
  WriteFile(dir / "sub" + kSep + "f.jpg", "");
  const bool posix = NativeStyle() == PathStyle::Posix;
  const std::string home = UserHome(), sub = dir / "sub" + kSep;
  const struct {
    std::string given;
    std::optional<std::string> field;
  } cases[] = {
      {dir / "sub", sub},
      {sub, sub},
      {sub + "f.jpg", sub},
      {dir / "missing", std::nullopt},
      {"", std::nullopt},
      {"sub", sub},  // from the working folder
      {"~", posix ? std::optional(home + "/") : std::nullopt},
      {"~/", posix ? std::optional(home + "/") : std::nullopt},
  };
  const fs::path before = fs::current_path();
  fs::current_path(dir.path());
  for (const auto& c : cases) EXPECT_EQ(WindowModel::FolderFieldFor(c.given), c.field) << c.given;
  fs::current_path(before);
  EXPECT_EQ(WindowModel::FolderNamed("~user/x"), "~user/x");
  EXPECT_EQ(WindowModel::FolderNamed("~/x"), posix ? home + "/x" : "~/x");
}

}  // namespace
}  // namespace zantovel::test
