// A small command-line front to the library, for tests that need the program in a process of
// its own: beside a settings file of its own, in a folder that cannot be written, or killed.
//
//   probe save KEY VALUE          SaveIniSetting in section Settings
//   probe saveall P F T           SaveIniSettings of LastP, LastF and LastT, as a closing window
//   probe get KEY DEFAULT         prints GetIniSetting
//   probe run FOLDER PREFIX TYPE  one RenameRun; every box is printed as "box ICON|CAPTION|TEXT"
#include <cstdio>
#include <string>

#include "platform/app.h"
#include "platform/dialogs.h"
#include "rename/modRename.h"
#include "store/modSettings.h"

namespace zantovel {

void MsgBox(const std::string& text, MsgIcon icon, const std::string& caption) {
  std::printf("box %d|%s|%s\n", static_cast<int>(icon), caption.c_str(), text.c_str());
  std::fflush(stdout);
}

std::string ChooseFolder(WindowHandle, const std::string&) {
  return {};
}

}  // namespace zantovel

int main(int argc, char** argv) {
  using namespace zantovel;
  const std::string command = argc > 1 ? argv[1] : "";
  if (command == "save" && argc == 4) {
    SaveIniSetting(AppTitle(), kSettingsSection, argv[2], argv[3]);
  } else if (command == "saveall" && argc == 5) {
    SaveIniSettings(AppTitle(), kSettingsSection,
                    {{"LastP", argv[2]}, {"LastF", argv[3]}, {"LastT", argv[4]}});
  } else if (command == "get" && argc == 4) {
    std::printf("%s\n", GetIniSetting(AppTitle(), kSettingsSection, argv[2], argv[3]).c_str());
  } else if (command == "run" && argc == 5) {
    std::string prefix = argv[3];
    RenameRun(argv[2], prefix, argv[4]);
  } else {
    std::fprintf(
        stderr,
        "usage: probe save KEY VALUE | saveall P F T | get KEY DEFAULT | run FOLDER PREFIX TYPE\n");
    return 2;
  }
  return 0;
}
