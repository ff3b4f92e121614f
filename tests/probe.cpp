// A small command-line front to the library, for tests that need the program in a process of
// its own: beside a settings file of its own, in a folder that cannot be written, or killed.
//
//   probe save KEY VALUE          stores one value in section Settings
//   probe saveall P F T           stores LastP, LastF and LastT in one save, as a closing window
//   probe get KEY DEFAULT         prints the value
//   probe run FOLDER PREFIX TYPE  one pass; prints how it ended, "done|MESSAGE" or
//                                 "failed|MESSAGE"
//   probe undo                    takes the last pass back; prints how that ended
#include <cstdio>
#include <string>

#include "platform/app.h"
#include "platform/error.h"
#include "rename/rename_pass.h"
#include "rename/undo.h"
#include "store/program_files.h"

int main(int argc, char** argv) {
  using namespace zantovel;
  ProgramFiles files(ExecutablePath());
  SettingsStore& settings = files.Settings();
  const std::string command = argc > 1 ? argv[1] : "";
  // Saves as the closing window makes them, which tells no failure.
  const auto save = [&](const ProfileValues& values) {
    try {
      files.MakeSettingsFolder();
      settings.Save(kSettingsSection, values);
    } catch (const PlatformError&) {
    }
  };
  if (command == "save" && argc == 4) {
    save({{argv[2], argv[3]}});
  } else if (command == "saveall" && argc == 5) {
    save({{"LastP", argv[2]}, {"LastF", argv[3]}, {"LastT", argv[4]}});
  } else if (command == "get" && argc == 4) {
    std::printf("%s\n", settings.Read(kSettingsSection, argv[2], argv[3]).c_str());
  } else if (command == "run" && argc == 5) {
    PassContext context = ContextOf(files, true);
    const PassResult result = RenamePass(context, argv[2], argv[3], argv[4]);
    std::printf("%s|%s\n", result.done() ? "done" : "failed", result.message.c_str());
  } else if (command == "undo" && argc == 2) {
    PassContext context = ContextOf(files, false);
    const UndoResult result = UndoPass(context, {}, false);
    std::printf("%s|%s\n", result.end == PassEnd::Done ? "done" : "failed", result.message.c_str());
  } else {
    std::fprintf(stderr,
                 "usage: probe save KEY VALUE | saveall P F T | get KEY DEFAULT | run FOLDER "
                 "PREFIX TYPE | undo\n");
    return 2;
  }
  return 0;
}
