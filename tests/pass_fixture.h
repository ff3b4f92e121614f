#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "rename/rename_pass.h"
#include "store/activity_log.h"
#include "store/settings.h"
#include "tests/test_support.h"

namespace zantovel::test {

// A pass's world: a folder of files, and a log beside it named by the AppLog setting of a
// settings file of the test's own, so that suites run side by side.
class PassTest : public ::testing::Test {
 protected:
  void SetUp() override {
    settings.Save(kSettingsSection, {{"AppLog", log}});
    std::filesystem::create_directory(folder);
  }

  // An empty folder, no log, no results and no journals again, for the next case of a table.
  void StartAfresh() {
    std::filesystem::remove_all(folder);
    std::filesystem::create_directory(folder);
    std::filesystem::remove(log);
    std::filesystem::remove_all(journals);
    results.clear();
  }

  // The journal of the newest pass.
  std::string NewestJournal() const {
    return context.journals ? context.journals->Passes().at(0).path : std::string();
  }

  // One pass, whose result is also kept in results.
  const PassResult& Run(const std::string& folderText, const std::string& prefix,
                        const std::string& type) {
    results.push_back(RenamePass(context, folderText, prefix, type));
    return results.back();
  }

  TempDir dir;
  const std::string folder = dir / "files";
  const std::string log = dir / "activity.log";
  const std::string journals = dir / "journals";
  SettingsStore settings{dir / "zantovel.ini"};
  ActivityLog activityLog{settings, dir / "default.log"};
  PassContext context{activityLog, {settings.Path()}};
  std::vector<PassResult> results;
};

}  // namespace zantovel::test
