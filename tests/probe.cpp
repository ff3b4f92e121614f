// A small command-line front to the library, for tests that need the program in a process of
// its own: beside a settings file of its own, in a folder that cannot be written, or killed.
//
//   probe save KEY VALUE          SaveSetting in section Settings
//   probe saveall P F T           SaveSettings of LastP, LastF and LastT, as a closing window
//   probe get KEY DEFAULT         prints ReadSetting
//   probe run FOLDER PREFIX TYPE  one RunRenamePass; every box is printed as "box
//   ICON|CAPTION|TEXT"
#include <cstdio>
#include <string>

#include "platform/app.h"
#include "rename/rename_pass.h"
#include "store/settings.h"
#include "tests/recording_dialogs.h"

int main(int argc, char** argv) {
  using namespace zantovel;
  const std::string command = argc > 1 ? argv[1] : "";
  if (command == "save" && argc == 4) {
    SaveSetting(kSettingsSection, argv[2], argv[3]);
  } else if (command == "saveall" && argc == 5) {
    SaveSettings(kSettingsSection, {{"LastP", argv[2]}, {"LastF", argv[3]}, {"LastT", argv[4]}});
  } else if (command == "get" && argc == 4) {
    std::printf("%s\n", ReadSetting(kSettingsSection, argv[2], argv[3]).c_str());
  } else if (command == "run" && argc == 5) {
    RunRenamePass(argv[2], argv[3], argv[4]);
    for (const test::RecordedBox& box : test::RecordedBoxes())
      std::printf("box %d|%s|%s\n", static_cast<int>(box.icon), box.caption.c_str(),
                  box.text.c_str());
  } else {
    std::fprintf(
        stderr,
        "usage: probe save KEY VALUE | saveall P F T | get KEY DEFAULT | run FOLDER PREFIX TYPE\n");
    return 2;
  }
  return 0;
}
