#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "store/settings.h"
#include "tests/recording_dialogs.h"
#include "tests/test_support.h"

namespace zantovel::test {

// A pass's world: a folder of files, a log beside it named by the AppLog setting of a settings
// file that starts empty for every test, and no recorded boxes.
class PassTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::remove(SettingsFilePath());
    SaveSetting(kSettingsSection, "AppLog", log);
    std::filesystem::create_directory(folder);
    RecordedBoxes().clear();
  }
  void TearDown() override { std::filesystem::remove(SettingsFilePath()); }

  // An empty folder, no log and no boxes again, for the next case of a table.
  void StartAfresh() {
    std::filesystem::remove_all(folder);
    std::filesystem::create_directory(folder);
    std::filesystem::remove(log);
    RecordedBoxes().clear();
  }

  TempDir dir;
  const std::string folder = dir / "files";
  const std::string log = dir / "activity.log";
};

}  // namespace zantovel::test
